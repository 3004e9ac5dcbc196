// The type library in the module's "TYPELIB" 1 resource, read back description by
// description through the platform's own reader.
#include <windows.h>
#include <ole2.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "navtrap_idl.h"
#include "server_test_support.h"
#include "vtable_offsets.h"

namespace {

std::string Narrow(BSTR text) {
  std::string narrow;
  for (UINT i = 0; text != nullptr && i < ::SysStringLen(text); ++i) narrow += static_cast<char>(text[i]);
  return narrow;
}

struct Documentation {
  std::string name;
  std::string help;
  bool hasHelpFile = false;
  DWORD context = 99;
};

template <typename T>
Documentation Document(T* owner, MEMBERID id) {
  BSTR name = nullptr, help = nullptr, file = nullptr;
  Documentation d;
  if (SUCCEEDED(owner->GetDocumentation(id, &name, &help, &d.context, &file))) {
    d.name = Narrow(name);
    d.help = Narrow(help);
    d.hasHelpFile = file != nullptr;
  }
  ::SysFreeString(name);
  ::SysFreeString(help);
  ::SysFreeString(file);
  return d;
}

class TypeLibrary : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(::LoadTypeLibEx(Widen(NavtrapDllPath()).c_str(), REGKIND_NONE, library_.Put()), S_OK);
  }

  ComPtr<ITypeInfo> Info(UINT index) {
    ComPtr<ITypeInfo> info;
    EXPECT_EQ(library_->GetTypeInfo(index, info.Put()), S_OK);
    return info;
  }

  ComApartment com_;
  ComPtr<ITypeLib> library_;
};

TEST_F(TypeLibrary, HasTheLibraryAttributes) {
  TLIBATTR* attributes = nullptr;
  ASSERT_EQ(library_->GetLibAttr(&attributes), S_OK);
  EXPECT_EQ(attributes->guid, LIBID_NAVTRAPLib);
  EXPECT_EQ(attributes->wMajorVerNum, 1);
  EXPECT_EQ(attributes->wMinorVerNum, 0);
  EXPECT_EQ(attributes->lcid, 0u);
  EXPECT_EQ(attributes->syskind, SYS_WIN32);
  // The reader adds "has a disk image" to what was written; nothing else is set.
  EXPECT_EQ(attributes->wLibFlags & ~LIBFLAG_FHASDISKIMAGE, 0);
  library_->ReleaseTLibAttr(attributes);

  Documentation d = Document(library_.Get(), MEMBERID_NIL);
  EXPECT_EQ(d.name, "NAVTRAPLib");
  EXPECT_EQ(d.help, "navtrap 1.0 Type Library");
  EXPECT_FALSE(d.hasHelpFile);
  EXPECT_EQ(d.context, 0u);
}

struct TypeRow {
  TYPEKIND kind;
  const char* name;
  const GUID* guid;
  WORD flags;
  const char* help;
  const char* implemented;  // the default interface of a coclass, the base of an interface
  const char* implementedFrom;  // the library that describes it
};

const WORD kDual = TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE;

const TypeRow kTypes[] = {
    {TKIND_COCLASS, "IeCatch", &CLSID_IeCatch, TYPEFLAG_FCANCREATE, "IeCatch Class", "IUnknown", "stdole"},
    {TKIND_COCLASS, "OstrelNetscape", &CLSID_OstrelNetscape, TYPEFLAG_FCANCREATE, "OstrelNetscape Class",
     "IOstrelNetscape", "NAVTRAPLib"},
    {TKIND_INTERFACE, "IOstrelNetscape", &IID_IOstrelNetscape, kDual, "IOstrelNetscape Interface", "IDispatch",
     "stdole"},
    {TKIND_COCLASS, "IeCatch2", &CLSID_IeCatch2, TYPEFLAG_FCANCREATE, "IeCatch2 Class", "IIeCatch2", "NAVTRAPLib"},
    {TKIND_INTERFACE, "IIeCatch2", &IID_IIeCatch2, kDual, "IIeCatch2 Interface", "IDispatch", "stdole"},
    {TKIND_COCLASS, "IeCatch5", &CLSID_IeCatch5, TYPEFLAG_FCANCREATE, "IeCatch5 Class", "IIeCatch5", "NAVTRAPLib"},
    {TKIND_INTERFACE, "IIeCatch5", &IID_IIeCatch5, kDual, "IIeCatch5 Interface", "IDispatch", "stdole"},
};

// A dual interface is listed as its dispatch form; the interface form hangs off it.
ComPtr<ITypeInfo> InterfaceForm(ITypeInfo* info) {
  ComPtr<ITypeInfo> form;
  HREFTYPE reference = 0;
  if (SUCCEEDED(info->GetRefTypeOfImplType(static_cast<UINT>(-1), &reference))) {
    info->GetRefTypeInfo(reference, form.Put());
  }
  return form;
}

TEST_F(TypeLibrary, HoldsExactlyTheSevenTypeDescriptionsInOrder) {
  ASSERT_EQ(library_->GetTypeInfoCount(), 7u);
  for (UINT index = 0; index < 7; ++index) {
    const TypeRow& row = kTypes[index];
    ComPtr<ITypeInfo> listed = Info(index);
    ComPtr<ITypeInfo> info;
    if (row.kind == TKIND_INTERFACE) {
      info = InterfaceForm(listed.Get());
      ASSERT_TRUE(info) << row.name;
    } else {
      info = std::move(listed);
    }
    TYPEATTR* attributes = nullptr;
    ASSERT_EQ(info->GetTypeAttr(&attributes), S_OK);
    EXPECT_EQ(attributes->typekind, row.kind) << row.name;
    EXPECT_EQ(attributes->guid, *row.guid) << row.name;
    EXPECT_EQ(attributes->wTypeFlags, row.flags) << row.name;
    EXPECT_EQ(attributes->wMajorVerNum, 0) << row.name;
    EXPECT_EQ(attributes->wMinorVerNum, 0) << row.name;
    EXPECT_EQ(attributes->cImplTypes, 1) << row.name;
    EXPECT_EQ(attributes->cVars, 0) << row.name;
    info->ReleaseTypeAttr(attributes);

    Documentation d = Document(info.Get(), MEMBERID_NIL);
    EXPECT_EQ(d.name, row.name);
    EXPECT_EQ(d.help, row.help);
    EXPECT_EQ(d.context, 0u) << row.name;

    HREFTYPE reference = 0;
    ASSERT_EQ(info->GetRefTypeOfImplType(0, &reference), S_OK) << row.name;
    ComPtr<ITypeInfo> implemented;
    ASSERT_EQ(info->GetRefTypeInfo(reference, implemented.Put()), S_OK) << row.name;
    EXPECT_EQ(Document(implemented.Get(), MEMBERID_NIL).name, row.implemented) << row.name;
    ComPtr<ITypeLib> from;
    UINT fromIndex = 0;
    ASSERT_EQ(implemented->GetContainingTypeLib(from.Put(), &fromIndex), S_OK);
    EXPECT_EQ(Document(from.Get(), MEMBERID_NIL).name, row.implementedFrom) << row.name;
    if (row.kind == TKIND_COCLASS) {
      INT implFlags = 0;
      ASSERT_EQ(info->GetImplTypeFlags(0, &implFlags), S_OK);
      EXPECT_EQ(implFlags, IMPLTYPEFLAG_FDEFAULT) << row.name;
    }
  }
}

TEST_F(TypeLibrary, ListsEachDualInterfaceInItsDispatchForm) {
  for (UINT index : {2u, 4u, 6u}) {
    ComPtr<ITypeInfo> listed = Info(index);
    TYPEATTR* attributes = nullptr;
    ASSERT_EQ(listed->GetTypeAttr(&attributes), S_OK);
    EXPECT_EQ(attributes->typekind, TKIND_DISPATCH) << kTypes[index].name;
    EXPECT_EQ(attributes->guid, *kTypes[index].guid) << kTypes[index].name;
    EXPECT_EQ(attributes->wTypeFlags & (TYPEFLAG_FDUAL | TYPEFLAG_FDISPATCHABLE),
              TYPEFLAG_FDUAL | TYPEFLAG_FDISPATCHABLE);
    listed->ReleaseTypeAttr(attributes);
  }
}

TEST_F(TypeLibrary, ImportsStdole2) {
  ComPtr<ITypeInfo> dual = InterfaceForm(Info(2).Get());
  HREFTYPE reference = 0;
  ASSERT_EQ(dual->GetRefTypeOfImplType(0, &reference), S_OK);
  ComPtr<ITypeInfo> dispatch;
  ASSERT_EQ(dual->GetRefTypeInfo(reference, dispatch.Put()), S_OK);
  ComPtr<ITypeLib> stdole;
  UINT index = 0;
  ASSERT_EQ(dispatch->GetContainingTypeLib(stdole.Put(), &index), S_OK);
  TLIBATTR* attributes = nullptr;
  ASSERT_EQ(stdole->GetLibAttr(&attributes), S_OK);
  EXPECT_EQ(attributes->guid, IID_StdOle);
  EXPECT_EQ(attributes->wMajorVerNum, 2);
  stdole->ReleaseTLibAttr(attributes);
}

enum class Param { kBstr, kLong, kVariantPointer, kBoolPointer, kLongPointer };

struct MethodRow {
  MEMBERID id;
  const char* name;
  std::vector<std::pair<const char*, Param>> params;
  bool lastIsRetval;
  WORD flags;
};

const std::vector<MethodRow>& Methods() {
  static const std::vector<MethodRow> methods = {
      {1, "Initialize", {{"pProtocol", Param::kBstr}, {"pUrl", Param::kBstr}, {"Cancel", Param::kBoolPointer}}, true, 0},
      {2, "Open", {{"pUrl", Param::kBstr}}, false, 0},
      {3, "AddUrl", {{"pUrl", Param::kBstr}, {"pInfo", Param::kBstr}, {"pReferer", Param::kBstr}}, false, 0},
      {4, "AddUrlList", {{"pList", Param::kVariantPointer}}, false, 0},
      {5, "IsUrlExist", {{"pUrl", Param::kBstr}, {"pVal", Param::kBoolPointer}}, true, 0},
      {6, "AddUrlEx",
       {{"pUrl", Param::kBstr}, {"pInfo", Param::kBstr}, {"pReferer", Param::kBstr}, {"pSaveTo", Param::kBstr},
        {"uFlags", Param::kLong}, {"pVal", Param::kBoolPointer}},
       true, FUNCFLAG_FHIDDEN},
      {7, "AddUrlListEx",
       {{"pList", Param::kVariantPointer}, {"pSaveTo", Param::kBstr}, {"uFlags", Param::kLong},
        {"pVal", Param::kLongPointer}},
       true, FUNCFLAG_FHIDDEN},
  };
  return methods;
}

bool IsType(const TYPEDESC& type, Param param) {
  switch (param) {
    case Param::kBstr: return type.vt == VT_BSTR;
    case Param::kLong: return type.vt == VT_I4;
    case Param::kVariantPointer: return type.vt == VT_PTR && type.lptdesc->vt == VT_VARIANT;
    case Param::kBoolPointer: return type.vt == VT_PTR && type.lptdesc->vt == VT_BOOL;
    case Param::kLongPointer: return type.vt == VT_PTR && type.lptdesc->vt == VT_I4;
  }
  return false;
}

TEST_F(TypeLibrary, DescribesTheSevenMethodsOfIOstrelNetscapeInVtableOrder) {
  ComPtr<ITypeInfo> dual = InterfaceForm(Info(2).Get());
  TYPEATTR* attributes = nullptr;
  ASSERT_EQ(dual->GetTypeAttr(&attributes), S_OK);
  EXPECT_EQ(attributes->cFuncs, 7);
  EXPECT_EQ(attributes->cbSizeVft, 14 * sizeof(void*));
  dual->ReleaseTypeAttr(attributes);

  for (UINT index = 0; index < Methods().size(); ++index) {
    const MethodRow& row = Methods()[index];
    FUNCDESC* function = nullptr;
    ASSERT_EQ(dual->GetFuncDesc(index, &function), S_OK);
    EXPECT_EQ(function->memid, row.id) << row.name;
    EXPECT_EQ(function->funckind, FUNC_PUREVIRTUAL) << row.name;
    EXPECT_EQ(function->invkind, INVOKE_FUNC) << row.name;
    EXPECT_EQ(function->callconv, CC_STDCALL) << row.name;
    EXPECT_EQ(function->wFuncFlags, row.flags) << row.name;
    EXPECT_EQ(function->elemdescFunc.tdesc.vt, VT_HRESULT) << row.name;
    EXPECT_EQ(function->cParamsOpt, 0) << row.name;
    // The eighth slot onwards, where the generated C++ declaration puts them too.
    EXPECT_EQ(function->oVft, static_cast<SHORT>((7 + index) * sizeof(void*))) << row.name;
    EXPECT_EQ(function->oVft, GeneratedVtableOffset(row.name)) << row.name;
    ASSERT_EQ(function->cParams, static_cast<SHORT>(row.params.size())) << row.name;
    for (size_t p = 0; p < row.params.size(); ++p) {
      const ELEMDESC& param = function->lprgelemdescParam[p];
      EXPECT_TRUE(IsType(param.tdesc, row.params[p].second)) << row.name << " " << row.params[p].first;
      bool retval = row.lastIsRetval && p + 1 == row.params.size();
      EXPECT_EQ(param.paramdesc.wParamFlags, retval ? (PARAMFLAG_FOUT | PARAMFLAG_FRETVAL) : PARAMFLAG_NONE)
          << row.name << " " << row.params[p].first;
    }

    BSTR names[8] = {};
    UINT count = 0;
    ASSERT_EQ(dual->GetNames(row.id, names, 8, &count), S_OK);
    ASSERT_EQ(count, row.params.size() + 1) << row.name;
    EXPECT_EQ(Narrow(names[0]), row.name);
    for (size_t p = 0; p < row.params.size(); ++p) EXPECT_EQ(Narrow(names[p + 1]), row.params[p].first);
    for (UINT n = 0; n < count; ++n) ::SysFreeString(names[n]);

    Documentation d = Document(dual.Get(), row.id);
    EXPECT_EQ(d.help, std::string("method ") + row.name);
    EXPECT_EQ(d.context, 0u) << row.name;
    dual->ReleaseFuncDesc(function);
  }
}

TEST_F(TypeLibrary, GivesTheHelperObjectInterfacesNoMembersOfTheirOwn) {
  for (UINT index : {4u, 6u}) {
    ComPtr<ITypeInfo> dual = InterfaceForm(Info(index).Get());
    TYPEATTR* attributes = nullptr;
    ASSERT_EQ(dual->GetTypeAttr(&attributes), S_OK);
    EXPECT_EQ(attributes->cFuncs, 0) << kTypes[index].name;
    EXPECT_EQ(attributes->cbSizeVft, 7 * sizeof(void*)) << kTypes[index].name;
    dual->ReleaseTypeAttr(attributes);
  }
}

}  // namespace
