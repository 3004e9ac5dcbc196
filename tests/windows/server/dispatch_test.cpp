// IDispatch of the classes of the loaded DLL, served from the registered type library: names
// resolve only once the library is registered (and then at once, on the same object), match
// without regard to case, and calls go through the type information to the methods.
#include <windows.h>
#include <ole2.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "../settings_fixture.h"
#include "navtrap_idl.h"
#include "screening/monitor_flags.h"
#include "server_test_support.h"

namespace {

class Dispatch : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.Loaded());
    ASSERT_EQ(server_.unregisterServer(), S_OK);
  }
  void TearDown() override {
    object_.Reset();
    server_.unregisterServer();
  }

  ComPtr<IDispatch> Create(REFCLSID clsid) {
    ComPtr<IClassFactory> factory;
    ComPtr<IDispatch> object;
    EXPECT_EQ(server_.getClassObject(clsid, IID_IClassFactory, factory.PutVoid()), S_OK);
    if (factory) {
      EXPECT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, object.PutVoid()), S_OK);
    }
    return object;
  }

  // The DISPIDs of `names` asked in one call, or the failure.
  HRESULT IdsOf(IDispatch* object, std::vector<std::wstring> names, std::vector<DISPID>* ids) {
    std::vector<LPOLESTR> pointers;
    for (std::wstring& name : names) pointers.push_back(&name[0]);
    ids->assign(names.size(), 12345);
    return object->GetIDsOfNames(IID_NULL, pointers.data(), static_cast<UINT>(pointers.size()), LOCALE_USER_DEFAULT,
                                 ids->data());
  }

  DISPID IdOf(const wchar_t* name) {
    std::vector<DISPID> ids;
    return SUCCEEDED(IdsOf(object_.Get(), {name}, &ids)) ? ids[0] : DISPID_UNKNOWN;
  }

  ComApartment com_;
  ScopedSettings settings_;  // no "AppPath": a method that looks for the manager finds none
  LoadedServer server_;
  ComPtr<IDispatch> object_;
};

TEST_F(Dispatch, ResolvesNamesOnlyOnceTheLibraryIsRegisteredEvenOnTheSameObject) {
  object_ = Create(CLSID_OstrelNetscape);
  ASSERT_TRUE(object_);
  std::vector<DISPID> ids;
  EXPECT_TRUE(FAILED(IdsOf(object_.Get(), {L"AddUrl"}, &ids)));
  ComPtr<ITypeInfo> info;
  EXPECT_TRUE(FAILED(object_->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.Put())));
  DISPPARAMS none = {};
  EXPECT_TRUE(FAILED(object_->Invoke(2, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr)));

  ASSERT_EQ(server_.registerServer(), S_OK);
  EXPECT_EQ(IdsOf(object_.Get(), {L"AddUrl"}, &ids), S_OK);
  EXPECT_EQ(ids, std::vector<DISPID>{3});
  EXPECT_EQ(object_->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.Put()), S_OK);
}

TEST_F(Dispatch, MatchesNamesWithoutRegardToCase) {
  ASSERT_EQ(server_.registerServer(), S_OK);
  object_ = Create(CLSID_OstrelNetscape);
  struct Case {
    const wchar_t* name;
    DISPID id;
  };
  const Case cases[] = {
      {L"Initialize", 1}, {L"initialize", 1}, {L"Open", 2},       {L"OPEN", 2},          {L"AddUrl", 3},
      {L"addurl", 3},     {L"ADDURL", 3},     {L"AddUrlList", 4}, {L"addUrlList", 4},    {L"IsUrlExist", 5},
      {L"isurlexist", 5}, {L"AddUrlEx", 6},   {L"ADDURLEX", 6},   {L"AddUrlListEx", 7},  {L"addurllistex", 7},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IdOf(c.name), c.id) << std::string(c.name, c.name + wcslen(c.name));
    // Asked again, from the name cache when the case is the library's.
    EXPECT_EQ(IdOf(c.name), c.id);
  }
}

TEST_F(Dispatch, ResolvesParameterNamesAfterTheMethodName) {
  ASSERT_EQ(server_.registerServer(), S_OK);
  object_ = Create(CLSID_OstrelNetscape);
  std::vector<DISPID> ids;
  EXPECT_EQ(IdsOf(object_.Get(), {L"AddUrl", L"pReferer", L"pUrl"}, &ids), S_OK);
  EXPECT_EQ(ids, (std::vector<DISPID>{3, 2, 0}));
  EXPECT_EQ(IdsOf(object_.Get(), {L"addurlex", L"USAVETO", L"uflags"}, &ids), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(IdsOf(object_.Get(), {L"addurlex", L"PSAVETO", L"uflags"}, &ids), S_OK);
  EXPECT_EQ(ids, (std::vector<DISPID>{6, 3, 4}));
}

TEST_F(Dispatch, RefusesUnknownNames) {
  ASSERT_EQ(server_.registerServer(), S_OK);
  object_ = Create(CLSID_OstrelNetscape);
  std::vector<DISPID> ids;
  EXPECT_EQ(IdsOf(object_.Get(), {L"AddUrls"}, &ids), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(ids[0], DISPID_UNKNOWN);
  EXPECT_EQ(IdsOf(object_.Get(), {L""}, &ids), DISP_E_UNKNOWNNAME);
}

TEST_F(Dispatch, GivesTheTypeInformationOfTheDualInterfaceWhateverTheIndex) {
  ASSERT_EQ(server_.registerServer(), S_OK);
  struct Case {
    const CLSID* clsid;
    const IID* iid;
  };
  const Case cases[] = {
      {&CLSID_OstrelNetscape, &IID_IOstrelNetscape}, {&CLSID_IeCatch2, &IID_IIeCatch2}, {&CLSID_IeCatch5, &IID_IIeCatch5}};
  for (const Case& c : cases) {
    ComPtr<IDispatch> object = Create(*c.clsid);
    ASSERT_TRUE(object);
    UINT count = 0;
    EXPECT_EQ(object->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
    for (UINT index : {0u, 3u}) {
      ComPtr<ITypeInfo> info;
      ASSERT_EQ(object->GetTypeInfo(index, LOCALE_USER_DEFAULT, info.Put()), S_OK);
      TYPEATTR* attributes = nullptr;
      ASSERT_EQ(info->GetTypeAttr(&attributes), S_OK);
      EXPECT_EQ(attributes->guid, *c.iid) << GuidText(*c.iid);
      info->ReleaseTypeAttr(attributes);
    }
    EXPECT_EQ(object->GetTypeInfo(0, LOCALE_USER_DEFAULT, nullptr), E_POINTER);
    std::vector<DISPID> ids;
    EXPECT_EQ(IdsOf(object.Get(), {L"AddUrl"}, &ids), *c.iid == IID_IOstrelNetscape ? S_OK : DISP_E_UNKNOWNNAME);
  }
}

TEST_F(Dispatch, InvokesTheMethodsThroughTheTypeInformation) {
  ASSERT_EQ(server_.registerServer(), S_OK);
  settings_.SetFlags(MONITOR_OFF);
  object_ = Create(CLSID_OstrelNetscape);

  VARIANT args[2];
  args[1].vt = VT_BSTR;  // arguments travel last first
  args[1].bstrVal = ::SysAllocString(L"http");
  args[0].vt = VT_BSTR;
  args[0].bstrVal = ::SysAllocString(L"http://host/file.zip");
  DISPPARAMS params = {args, nullptr, 2, 0};
  VARIANT result;
  ::VariantInit(&result);
  EXPECT_EQ(object_->Invoke(1, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result, nullptr, nullptr), S_OK);
  EXPECT_EQ(result.vt, VT_BOOL);
  EXPECT_EQ(result.boolVal, VARIANT_FALSE);

  DISPPARAMS one = {args, nullptr, 1, 0};
  EXPECT_EQ(object_->Invoke(2, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &one, nullptr, nullptr, nullptr), S_OK);
  DISPPARAMS none = {};
  EXPECT_EQ(object_->Invoke(2, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr),
            DISP_E_BADPARAMCOUNT);

  // A failing method reaches the caller as an exception carrying its HRESULT: with no manager
  // window, IsUrlExist fails with E_FAIL.
  EXCEPINFO exception = {};
  ::VariantClear(&result);
  EXPECT_EQ(object_->Invoke(5, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &one, &result, &exception, nullptr),
            DISP_E_EXCEPTION);
  EXPECT_EQ(exception.scode, E_FAIL);
  ::SysFreeString(exception.bstrSource);
  ::SysFreeString(exception.bstrDescription);
  ::SysFreeString(exception.bstrHelpFile);
  ::VariantClear(&args[0]);
  ::VariantClear(&args[1]);
}

}  // namespace
