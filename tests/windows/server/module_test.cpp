// navtrap.dll as a host sees it: loaded with LoadLibrary, its exports, class objects, objects
// plain and aggregated, their interface tables, IObjectSafety, and the module lock that
// DllCanUnloadNow reports.
#include <windows.h>
#include <ole2.h>
#include <objsafe.h>
#include <urlmon.h>
#include <exdisp.h>

#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "navtrap_idl.h"
#include "server_test_support.h"

namespace {

class LoadedModule : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(server_.Loaded()); }
  // Every test ends with nothing alive and nothing locked.
  void TearDown() override { EXPECT_EQ(server_.canUnloadNow(), S_OK); }

  ComPtr<IClassFactory> Factory(REFCLSID clsid) {
    ComPtr<IClassFactory> factory;
    EXPECT_EQ(server_.getClassObject(clsid, IID_IClassFactory, factory.PutVoid()), S_OK);
    return factory;
  }

  ComApartment com_;
  LoadedServer server_;
};

const CLSID* const kClsids[] = {&CLSID_IeCatch, &CLSID_OstrelNetscape, &CLSID_IeCatch2, &CLSID_IeCatch5};

// The export directory as the linker wrote it.
const IMAGE_EXPORT_DIRECTORY* ExportDirectory(HMODULE module) {
  auto base = reinterpret_cast<const BYTE*>(module);
  auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  auto nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  DWORD rva = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT].VirtualAddress;
  return reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + rva);
}

TEST_F(LoadedModule, ExportsItsFourEntryPointsByNameWithOrdinalsOneToFour) {
  auto base = reinterpret_cast<const BYTE*>(server_.Module());
  const IMAGE_EXPORT_DIRECTORY* exports = ExportDirectory(server_.Module());
  EXPECT_STREQ(reinterpret_cast<const char*>(base + exports->Name), "navtrap.DLL");
  ASSERT_EQ(exports->NumberOfFunctions, 4u);
  ASSERT_EQ(exports->NumberOfNames, 4u);
  auto names = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
  auto ordinals = reinterpret_cast<const WORD*>(base + exports->AddressOfNameOrdinals);
  std::map<std::string, DWORD> byName;
  for (DWORD i = 0; i < exports->NumberOfNames; ++i) {
    byName[reinterpret_cast<const char*>(base + names[i])] = exports->Base + ordinals[i];
  }
  const std::map<std::string, DWORD> expected = {
      {"DllCanUnloadNow", 1}, {"DllGetClassObject", 2}, {"DllRegisterServer", 3}, {"DllUnregisterServer", 4}};
  EXPECT_EQ(byName, expected);
  for (const auto& entry : expected) {
    EXPECT_EQ(reinterpret_cast<void*>(::GetProcAddress(server_.Module(), MAKEINTRESOURCEA(entry.second))),
              server_.Export(entry.first.c_str()))
        << entry.first;
  }
}

TEST_F(LoadedModule, ServesClassObjectsAsTheEdgeCasesSay) {
  const CLSID unknownClass = {0x0A0B0C0D, 0x1111, 0x2222, {0x33, 0x33, 0x44, 0x44, 0x55, 0x55, 0x66, 0x66}};
  struct Case {
    const char* what;
    const CLSID* clsid;
    const IID* iid;
    bool nullOut;
    HRESULT result;
  };
  std::vector<Case> cases;
  for (const CLSID* clsid : kClsids) {
    cases.push_back({"IClassFactory of a class", clsid, &IID_IClassFactory, false, S_OK});
    cases.push_back({"IUnknown of a class", clsid, &IID_IUnknown, false, S_OK});
    cases.push_back({"IDispatch of a class object", clsid, &IID_IDispatch, false, E_NOINTERFACE});
    cases.push_back({"no out pointer", clsid, &IID_IClassFactory, true, E_POINTER});
  }
  cases.push_back({"a class not in the map", &unknownClass, &IID_IClassFactory, false, CLASS_E_CLASSNOTAVAILABLE});
  cases.push_back({"an interface id as a class id", &IID_IOstrelNetscape, &IID_IUnknown, false,
                   CLASS_E_CLASSNOTAVAILABLE});
  cases.push_back({"the library's id as a class id", &LIBID_NAVTRAPLib, &IID_IUnknown, false,
                   CLASS_E_CLASSNOTAVAILABLE});
  for (const Case& c : cases) {
    void* object = reinterpret_cast<void*>(1);
    HRESULT hr = server_.getClassObject(*c.clsid, *c.iid, c.nullOut ? nullptr : &object);
    EXPECT_EQ(hr, c.result) << c.what << " " << GuidText(*c.clsid);
    if (c.nullOut) continue;
    if (SUCCEEDED(hr)) {
      static_cast<IUnknown*>(object)->Release();
    } else {
      EXPECT_EQ(object, nullptr) << c.what;
    }
    // A factory refused or given back holds nothing: the map's own reference does not count.
    EXPECT_EQ(server_.canUnloadNow(), S_OK) << c.what;
  }
}

TEST_F(LoadedModule, HandsOutOneClassFactoryPerClass) {
  for (const CLSID* clsid : kClsids) {
    ComPtr<IUnknown> first;
    ComPtr<IClassFactory> second;
    ASSERT_EQ(server_.getClassObject(*clsid, IID_IUnknown, first.PutVoid()), S_OK);
    ASSERT_EQ(server_.getClassObject(*clsid, IID_IClassFactory, second.PutVoid()), S_OK);
    ComPtr<IUnknown> secondIdentity;
    ASSERT_EQ(second->QueryInterface(IID_IUnknown, secondIdentity.PutVoid()), S_OK);
    EXPECT_EQ(first.Get(), secondIdentity.Get());
  }
  ComPtr<IUnknown> a;
  ComPtr<IUnknown> b;
  ASSERT_EQ(server_.getClassObject(CLSID_IeCatch, IID_IUnknown, a.PutVoid()), S_OK);
  ASSERT_EQ(server_.getClassObject(CLSID_IeCatch2, IID_IUnknown, b.PutVoid()), S_OK);
  EXPECT_NE(a.Get(), b.Get());
}

TEST_F(LoadedModule, OutsideFactoryReferencesHoldTheModuleAsOne) {
  ComPtr<IClassFactory> first = Factory(CLSID_OstrelNetscape);
  EXPECT_EQ(server_.canUnloadNow(), S_FALSE);
  ComPtr<IClassFactory> second = Factory(CLSID_OstrelNetscape);
  ComPtr<IClassFactory> other = Factory(CLSID_IeCatch5);
  other.Reset();
  EXPECT_EQ(server_.canUnloadNow(), S_FALSE);
  first.Reset();
  EXPECT_EQ(server_.canUnloadNow(), S_FALSE);
  second.Reset();
  EXPECT_EQ(server_.canUnloadNow(), S_OK);
}

TEST_F(LoadedModule, LockServerHoldsTheModuleUntilUnlocked) {
  ComPtr<IClassFactory> factory = Factory(CLSID_IeCatch);
  EXPECT_EQ(factory->LockServer(TRUE), S_OK);
  EXPECT_EQ(factory->LockServer(TRUE), S_OK);
  factory.Reset();
  EXPECT_EQ(server_.canUnloadNow(), S_FALSE);
  factory = Factory(CLSID_IeCatch);
  EXPECT_EQ(factory->LockServer(FALSE), S_OK);
  factory.Reset();
  EXPECT_EQ(server_.canUnloadNow(), S_FALSE);
  factory = Factory(CLSID_IeCatch);
  EXPECT_EQ(factory->LockServer(FALSE), S_OK);
  factory.Reset();
  EXPECT_EQ(server_.canUnloadNow(), S_OK);
}

TEST_F(LoadedModule, EveryLiveObjectHoldsTheModule) {
  std::vector<IUnknown*> objects;
  for (const CLSID* clsid : kClsids) {
    ComPtr<IClassFactory> factory = Factory(*clsid);
    IUnknown* object = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&object)), S_OK);
    objects.push_back(object);
  }
  for (IUnknown* object : objects) {
    EXPECT_EQ(server_.canUnloadNow(), S_FALSE);
    EXPECT_EQ(object->Release(), 0u);
  }
}

// An outer object that records what reaches it from its aggregate part and answers only
// IUnknown itself, so the part's own table has to answer the rest.
class RecordingOuter : public IUnknown {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    queried.push_back(riid);
    if (riid == IID_IUnknown) {
      *object = static_cast<IUnknown*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
  ULONG STDMETHODCALLTYPE Release() override { return --references; }

  std::vector<IID> queried;
  ULONG references = 0;
};

TEST_F(LoadedModule, CreateInstanceChecksItsArgumentsAndCreatesNothingOnFailure) {
  RecordingOuter outer;
  for (const CLSID* clsid : kClsids) {
    ComPtr<IClassFactory> factory = Factory(*clsid);
    struct Case {
      const char* what;
      IUnknown* outer;
      const IID* iid;
      bool nullOut;
      HRESULT result;
    };
    const Case cases[] = {
        {"no out pointer", nullptr, &IID_IUnknown, true, E_POINTER},
        {"aggregation asking for IDispatch", &outer, &IID_IDispatch, false, CLASS_E_NOAGGREGATION},
        {"an interface the class lacks", nullptr, &IID_IClassFactory, false, E_NOINTERFACE},
    };
    for (const Case& c : cases) {
      void* object = reinterpret_cast<void*>(1);
      EXPECT_EQ(factory->CreateInstance(c.outer, *c.iid, c.nullOut ? nullptr : &object), c.result)
          << c.what << " " << GuidText(*clsid);
      if (!c.nullOut) {
        EXPECT_EQ(object, nullptr) << c.what;
      }
    }
    factory.Reset();
    EXPECT_EQ(server_.canUnloadNow(), S_OK) << GuidText(*clsid);
  }
  EXPECT_EQ(outer.references, 0u);
  EXPECT_TRUE(outer.queried.empty());
}

struct ExpectedTable {
  const char* name;
  const CLSID* clsid;
  // Each interface the class answers, with a letter: equal letters are one pointer, 'a' is the
  // object's identity.
  std::vector<std::pair<const IID*, char>> answers;
};

const IID* const kProbedIids[] = {
    &IID_IUnknown, &IID_IDispatch, &IID_IClassFactory, &IID_IInternetProtocol, &IID_IInternetProtocolRoot,
    &IID_IInternetProtocolEx, &IID_IInternetPriority, &IID_IObjectSafety, &IID_IObjectWithSite, &IID_IOstrelNetscape,
    &IID_IIeCatch2, &IID_IIeCatch5, &IID_IProvideClassInfo, &IID_ISupportErrorInfo, &DIID_DWebBrowserEvents2,
    &IID_IPersist, &IID_IConnectionPointContainer, &IID_IMarshal,
};

const std::vector<ExpectedTable>& Tables() {
  static const std::vector<ExpectedTable> tables = {
      {"IeCatch", &CLSID_IeCatch, {{&IID_IUnknown, 'a'}, {&IID_IInternetProtocol, 'a'}, {&IID_IInternetProtocolRoot, 'a'}}},
      {"OstrelNetscape", &CLSID_OstrelNetscape,
       {{&IID_IUnknown, 'a'}, {&IID_IOstrelNetscape, 'a'}, {&IID_IObjectSafety, 'b'}, {&IID_IDispatch, 'a'}}},
      {"IeCatch2", &CLSID_IeCatch2,
       {{&IID_IUnknown, 'a'}, {&IID_IIeCatch2, 'a'}, {&IID_IDispatch, 'a'}, {&IID_IObjectWithSite, 'b'}}},
      {"IeCatch5", &CLSID_IeCatch5,
       {{&IID_IUnknown, 'a'}, {&IID_IIeCatch5, 'a'}, {&IID_IDispatch, 'a'}, {&IID_IObjectWithSite, 'b'}}},
  };
  return tables;
}

char ExpectedLetter(const ExpectedTable& table, REFIID iid) {
  for (const auto& answer : table.answers) {
    if (*answer.first == iid) return answer.second;
  }
  return 0;
}

// Checks one object's answers to every probed IID, from `through` (any of its interfaces).
void CheckTable(const ExpectedTable& table, IUnknown* through, IUnknown* identity) {
  std::map<char, void*> pointers;
  for (const IID* iid : kProbedIids) {
    void* got = reinterpret_cast<void*>(1);
    HRESULT hr = through->QueryInterface(*iid, &got);
    char letter = ExpectedLetter(table, *iid);
    if (letter == 0) {
      EXPECT_EQ(hr, E_NOINTERFACE) << table.name << " " << GuidText(*iid);
      EXPECT_EQ(got, nullptr) << table.name << " " << GuidText(*iid);
      continue;
    }
    ASSERT_EQ(hr, S_OK) << table.name << " " << GuidText(*iid);
    if (pointers.count(letter) == 0) pointers[letter] = got;
    EXPECT_EQ(pointers[letter], got) << table.name << " " << GuidText(*iid);
    // Every interface leads back to the same identity.
    IUnknown* back = nullptr;
    ASSERT_EQ(static_cast<IUnknown*>(got)->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&back)), S_OK);
    EXPECT_EQ(back, identity) << table.name << " " << GuidText(*iid);
    back->Release();
    static_cast<IUnknown*>(got)->Release();
  }
  EXPECT_EQ(pointers['a'], identity) << table.name;
  if (pointers.count('b') != 0) {
    EXPECT_NE(pointers['a'], pointers['b']) << table.name;
  }
  EXPECT_EQ(through->QueryInterface(IID_IUnknown, nullptr), E_POINTER) << table.name;
}

TEST_F(LoadedModule, EveryClassAnswersExactlyItsInterfaceTable) {
  for (const ExpectedTable& table : Tables()) {
    ComPtr<IClassFactory> factory = Factory(*table.clsid);
    ComPtr<IUnknown> identity;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, identity.PutVoid()), S_OK) << table.name;
    CheckTable(table, identity.Get(), identity.Get());
    // From the second pointer too: IUnknown through IObjectWithSite or IObjectSafety is the
    // identity, not the second pointer.
    for (const auto& answer : table.answers) {
      if (answer.second != 'b') continue;
      ComPtr<IUnknown> second;
      ASSERT_EQ(identity->QueryInterface(*answer.first, second.PutVoid()), S_OK);
      CheckTable(table, second.Get(), identity.Get());
    }
  }
}

TEST_F(LoadedModule, TheClassFactoryAnswersIUnknownAndIClassFactoryWithOnePointer) {
  ComPtr<IClassFactory> factory = Factory(CLSID_IeCatch);
  ComPtr<IUnknown> identity;
  ASSERT_EQ(factory->QueryInterface(IID_IUnknown, identity.PutVoid()), S_OK);
  EXPECT_EQ(static_cast<void*>(identity.Get()), static_cast<void*>(factory.Get()));
  ComPtr<IUnknown> other;
  EXPECT_EQ(factory->QueryInterface(IID_IDispatch, other.PutVoid()), E_NOINTERFACE);
  EXPECT_EQ(factory->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
}

TEST_F(LoadedModule, AnAggregatePartServesItsOuterObject) {
  for (const ExpectedTable& table : Tables()) {
    RecordingOuter outer;
    ComPtr<IUnknown> inner;
    {
      ComPtr<IClassFactory> factory = Factory(*table.clsid);
      ASSERT_EQ(factory->CreateInstance(&outer, IID_IUnknown, inner.PutVoid()), S_OK) << table.name;
    }
    // The part keeps no reference to its outer object and asked it nothing yet.
    EXPECT_EQ(outer.references, 0u) << table.name;
    EXPECT_TRUE(outer.queried.empty()) << table.name;
    EXPECT_EQ(server_.canUnloadNow(), S_FALSE) << table.name;

    // The inner unknown is its own: IUnknown gives it back, without the outer object.
    ComPtr<IUnknown> again;
    ASSERT_EQ(inner->QueryInterface(IID_IUnknown, again.PutVoid()), S_OK);
    EXPECT_EQ(again.Get(), inner.Get()) << table.name;
    again.Reset();
    EXPECT_EQ(outer.references, 0u) << table.name;

    // The class's interfaces belong to the outer object: their references and questions go
    // there first, and the part's table answers what the outer object does not.
    const IID& main = *table.answers[1].first;
    ComPtr<IUnknown> face;
    ASSERT_EQ(inner->QueryInterface(main, face.PutVoid()), S_OK) << table.name;
    EXPECT_EQ(outer.references, 1u) << table.name;
    face->AddRef();
    EXPECT_EQ(outer.references, 2u) << table.name;
    face->Release();
    EXPECT_EQ(outer.references, 1u) << table.name;

    outer.queried.clear();
    ComPtr<IUnknown> second;
    const IID& other = *table.answers.back().first;
    EXPECT_EQ(face->QueryInterface(other, second.PutVoid()), S_OK) << table.name;
    ASSERT_EQ(outer.queried.size(), 1u) << table.name;
    EXPECT_EQ(outer.queried[0], other) << table.name;
    second.Reset();

    ComPtr<IUnknown> identity;
    ASSERT_EQ(face->QueryInterface(IID_IUnknown, identity.PutVoid()), S_OK);
    EXPECT_EQ(identity.Get(), static_cast<IUnknown*>(&outer)) << table.name;
    identity.Reset();
    face.Reset();
    EXPECT_EQ(outer.references, 0u) << table.name;

    inner.Reset();
    EXPECT_EQ(server_.canUnloadNow(), S_OK) << table.name;
  }
}

TEST_F(LoadedModule, ObjectSafetyOfTheScriptingObject) {
  ComPtr<IClassFactory> factory = Factory(CLSID_OstrelNetscape);
  ComPtr<IObjectSafety> safety;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IObjectSafety, safety.PutVoid()), S_OK);
  DWORD supported = 99, enabled = 99;

  EXPECT_EQ(safety->GetInterfaceSafetyOptions(IID_IDispatch, &supported, &enabled), S_OK);
  EXPECT_EQ(supported, 3u);
  EXPECT_EQ(enabled, 0u);
  EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IDispatch, 1, 1), S_OK);
  EXPECT_EQ(safety->GetInterfaceSafetyOptions(IID_IDispatch, &supported, &enabled), S_OK);
  EXPECT_EQ(enabled, 1u);
  // One value per object, shared by every interface.
  EXPECT_EQ(safety->GetInterfaceSafetyOptions(IID_IOstrelNetscape, &supported, &enabled), S_OK);
  EXPECT_EQ(enabled, 1u);
  EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IOstrelNetscape, 2, 3), S_OK);
  EXPECT_EQ(safety->GetInterfaceSafetyOptions(IID_IDispatch, &supported, &enabled), S_OK);
  EXPECT_EQ(enabled, 3u);
  EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IDispatch, 1, 0), S_OK);
  EXPECT_EQ(safety->GetInterfaceSafetyOptions(IID_IDispatch, &supported, &enabled), S_OK);
  EXPECT_EQ(enabled, 2u);

  // Refusals leave the options as they were.
  EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IDispatch, 4, 4), E_FAIL);
  EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IObjectWithSite, 1, 1), E_NOINTERFACE);
  EXPECT_EQ(safety->GetInterfaceSafetyOptions(IID_IObjectWithSite, &supported, &enabled), E_NOINTERFACE);
  EXPECT_EQ(supported, 0u);
  EXPECT_EQ(enabled, 0u);
  EXPECT_EQ(safety->GetInterfaceSafetyOptions(IID_IDispatch, &supported, &enabled), S_OK);
  EXPECT_EQ(enabled, 2u);

  EXPECT_EQ(safety->GetInterfaceSafetyOptions(IID_IDispatch, nullptr, &enabled), E_POINTER);
  EXPECT_EQ(safety->GetInterfaceSafetyOptions(IID_IDispatch, &supported, nullptr), E_POINTER);
}

}  // namespace
