// The object base: table-driven QueryInterface, the count, the module lock, aggregation, and
// the interface table of each of the four classes.
#include <objidl.h>
#include <ocidl.h>
#include <urlmon.h>
#include <exdisp.h>
#include <objsafe.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "browser/ie_catch.h"
#include "browser/ie_catch2.h"
#include "browser/ie_catch5.h"
#include "browser/ostrel_netscape.h"
#include "browser_test_support.h"
#include "common/com_ptr.h"
#include "outer_unknown_fake.h"
#include "server/com_object.h"

namespace {

// A class of the test's own. Its clean-up takes and drops a reference on the object, as a
// release that calls back into the object would.
class Probe : public IPersistStream, public IObjectWithSite {
 public:
  using ReferenceCount = PlainCount;
  static const InterfaceEntry<Probe> kInterfaces[];
  static int destructions;
  static int cleanUps;

  HRESULT STDMETHODCALLTYPE GetClassID(CLSID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE IsDirty() override { return S_FALSE; }
  HRESULT STDMETHODCALLTYPE Load(IStream*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Save(IStream*, BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetSite(IUnknown*) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetSite(REFIID, void**) override { return E_FAIL; }

 protected:
  ~Probe() { ++destructions; }
  void ReleaseHeldObjects() noexcept {
    ++cleanUps;
    static_cast<IPersistStream*>(this)->AddRef();
    static_cast<IPersistStream*>(this)->Release();
  }
};

int Probe::destructions = 0;
int Probe::cleanUps = 0;

const InterfaceEntry<Probe> Probe::kInterfaces[] = {
    {&IID_IPersistStream, InterfaceOf<Probe, IPersistStream>},
    {&IID_IPersist, InterfaceOf<Probe, IPersistStream>},
    {&IID_IObjectWithSite, InterfaceOf<Probe, IObjectWithSite>},
    {nullptr, nullptr},
};

class ComObjectTest : public ModuleLockTest {
 protected:
  void SetUp() override {
    ModuleLockTest::SetUp();
    Probe::destructions = 0;
    Probe::cleanUps = 0;
  }
};

template <typename T>
ComPtr<T> Query(IUnknown* object, REFIID iid) {
  ComPtr<T> result;
  EXPECT_EQ(S_OK, object->QueryInterface(iid, result.PutVoid()));
  return result;
}

IUnknown* Identity(IUnknown* object) {
  ComPtr<IUnknown> identity = Query<IUnknown>(object, IID_IUnknown);
  return identity.Get();  // compared only; the reference goes with `identity`
}

TEST_F(ComObjectTest, QueryInterfaceAnswersIUnknownWithTheFirstEntryFromEveryInterface) {
  ComPtr<IPersistStream> stream;
  ASSERT_EQ(S_OK, CreateComObject<Probe>(nullptr, IID_IPersistStream, stream.PutVoid()));
  ComPtr<IObjectWithSite> site = Query<IObjectWithSite>(stream.Get(), IID_IObjectWithSite);
  ComPtr<IPersist> persist = Query<IPersist>(site.Get(), IID_IPersist);

  EXPECT_EQ(static_cast<IUnknown*>(stream.Get()), Identity(site.Get())) << "not the IObjectWithSite pointer";
  EXPECT_EQ(static_cast<IUnknown*>(stream.Get()), Identity(stream.Get()));
  EXPECT_EQ(static_cast<IUnknown*>(stream.Get()), static_cast<IUnknown*>(persist.Get()))
      << "rows that lead to the same pointer are one interface";
  EXPECT_NE(static_cast<IUnknown*>(stream.Get()), static_cast<IUnknown*>(site.Get()));
}

TEST_F(ComObjectTest, QueryInterfaceRefusesOtherInterfacesAndANullOutPointer) {
  ComPtr<IPersistStream> stream;
  ASSERT_EQ(S_OK, CreateComObject<Probe>(nullptr, IID_IPersistStream, stream.PutVoid()));
  void* result = reinterpret_cast<void*>(1);
  EXPECT_EQ(E_NOINTERFACE, stream->QueryInterface(IID_IDispatch, &result));
  EXPECT_EQ(nullptr, result) << "the out pointer is cleared";
  EXPECT_EQ(E_POINTER, stream->QueryInterface(IID_IUnknown, nullptr));
  EXPECT_EQ(2u, stream->AddRef()) << "no reference was left behind by the refusals";
  stream->Release();
}

TEST_F(ComObjectTest, TheCountStartsAtOneAfterCreationAndTheObjectGoesAtZeroExactlyOnce) {
  IPersistStream* stream = nullptr;
  ASSERT_EQ(S_OK, CreateComObject<Probe>(nullptr, IID_IPersistStream, reinterpret_cast<void**>(&stream)));
  EXPECT_EQ(1, ModuleLockCount()) << "one lock for the live object";
  EXPECT_EQ(2u, stream->AddRef());
  EXPECT_EQ(3u, stream->AddRef());
  EXPECT_EQ(2u, stream->Release());
  EXPECT_EQ(1u, stream->Release());
  EXPECT_EQ(0, Probe::destructions);
  EXPECT_EQ(0u, stream->Release());
  EXPECT_EQ(1, Probe::cleanUps) << "the clean-up ran with the object whole";
  EXPECT_EQ(1, Probe::destructions) << "its own AddRef and Release did not destroy it again";
  EXPECT_EQ(0, ModuleLockCount());
}

TEST_F(ComObjectTest, ARefusedInterfaceAtCreationDestroysTheNewObjectAtOnce) {
  void* result = reinterpret_cast<void*>(1);
  EXPECT_EQ(E_NOINTERFACE, CreateComObject<Probe>(nullptr, IID_IClassFactory, &result));
  EXPECT_EQ(nullptr, result);
  EXPECT_EQ(1, Probe::destructions);
  EXPECT_EQ(0, ModuleLockCount());
  EXPECT_EQ(E_POINTER, CreateComObject<Probe>(nullptr, IID_IUnknown, nullptr));
  EXPECT_EQ(1, Probe::destructions) << "nothing was made for a null out pointer";
}

TEST_F(ComObjectTest, AggregationAskingForAnythingButIUnknownCreatesNothing) {
  CallLog log;
  FakeOuterUnknown outer(log);
  void* result = reinterpret_cast<void*>(1);
  EXPECT_EQ(CLASS_E_NOAGGREGATION, CreateComObject<Probe>(&outer, IID_IPersistStream, &result));
  EXPECT_EQ(nullptr, result);
  EXPECT_EQ(0, Probe::destructions);
  EXPECT_EQ(0, ModuleLockCount());
  EXPECT_TRUE(log.Names().empty());
}

TEST_F(ComObjectTest, AnAggregatePartIsGovernedByItsInnerUnknownAndLendsItsInterfacesToTheOuterObject) {
  CallLog log;
  FakeOuterUnknown outer(log);
  IUnknown* inner = nullptr;
  ASSERT_EQ(S_OK, CreateComObject<Probe>(&outer, IID_IUnknown, reinterpret_cast<void**>(&inner)));
  EXPECT_EQ(1, outer.References()) << "the part keeps no reference on its outer object";
  EXPECT_EQ(1, ModuleLockCount());

  // The inner unknown answers IUnknown with itself, counting on its own.
  IUnknown* again = nullptr;
  ASSERT_EQ(S_OK, inner->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&again)));
  EXPECT_EQ(inner, again);
  EXPECT_EQ(1u, again->Release());

  // Other IIDs come from the class's table, with the reference on the outer object.
  IObjectWithSite* site = nullptr;
  ASSERT_EQ(S_OK, inner->QueryInterface(IID_IObjectWithSite, reinterpret_cast<void**>(&site)));
  EXPECT_NE(static_cast<IUnknown*>(site), inner);
  EXPECT_EQ(2, outer.References());
  EXPECT_EQ(3u, site->AddRef()) << "AddRef of a class interface is the outer object's";
  EXPECT_EQ(2u, site->Release());

  // QueryInterface of a class interface asks the outer object first.
  IUnknown* identity = nullptr;
  ASSERT_EQ(S_OK, site->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)));
  EXPECT_EQ(static_cast<IUnknown*>(&outer), identity) << "the identity is the outer object's";
  identity->Release();
  ASSERT_FALSE(outer.Queried().empty());
  const size_t asked = outer.Queried().size();
  IPersist* persist = nullptr;
  ASSERT_EQ(S_OK, site->QueryInterface(IID_IPersist, reinterpret_cast<void**>(&persist)))
      << "the outer object refused, so the class's own table answered";
  EXPECT_EQ(asked + 1, outer.Queried().size());
  EXPECT_TRUE(::IsEqualIID(IID_IPersist, outer.Queried().back()));
  persist->Release();
  site->Release();
  EXPECT_EQ(1, outer.References());

  EXPECT_EQ(0, Probe::destructions);
  EXPECT_EQ(0u, inner->Release());
  EXPECT_EQ(1, Probe::cleanUps);
  EXPECT_EQ(1, Probe::destructions);
  EXPECT_EQ(0, ModuleLockCount());
}

TEST_F(ComObjectTest, AnOuterObjectThatAnswersAnInterfaceItselfIsAskedFirst) {
  CallLog log;
  FakeOuterUnknown outer(log);
  ComPtr<IUnknown> inner;
  ASSERT_EQ(S_OK, CreateComObject<Probe>(&outer, IID_IUnknown, inner.PutVoid()));
  ComPtr<IObjectWithSite> site = Query<IObjectWithSite>(inner.Get(), IID_IObjectWithSite);
  outer.DelegateToInner(inner.Get(), IID_IPersistStream);
  ComPtr<IPersistStream> stream = Query<IPersistStream>(site.Get(), IID_IPersistStream);
  EXPECT_EQ(1u, log.Count("outer.QueryInterface"));
}

// The interface table of each class: the IIDs it answers, grouped by the pointer that answers
// them (the first group is the identity), and IIDs it must refuse.
struct ClassTable {
  const char* name;
  HRESULT (*create)(IUnknown*, REFIID, void**) noexcept;
  std::vector<std::vector<IID>> groups;
  std::vector<IID> refused;
};

const IID kUnrelated = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};

std::vector<ClassTable> ClassTables() {
  const std::vector<IID> commonRefusals = {IID_IClassFactory, DIID_DWebBrowserEvents2, IID_IProvideClassInfo,
                                           IID_ISupportErrorInfo, IID_IMarshal, kUnrelated};
  auto with = [&commonRefusals](std::vector<IID> more) {
    more.insert(more.end(), commonRefusals.begin(), commonRefusals.end());
    return more;
  };
  return {
      {"IeCatch", CreateIeCatch, {{IID_IInternetProtocol, IID_IInternetProtocolRoot}},
       with({IID_IDispatch, IID_IInternetPriority, IID_IInternetProtocolEx, IID_IObjectWithSite, IID_IObjectSafety})},
      {"OstrelNetscape", CreateOstrelNetscape, {{IID_IOstrelNetscape, IID_IDispatch}, {IID_IObjectSafety}},
       with({IID_IObjectWithSite, IID_IInternetProtocol})},
      {"IeCatch2", CreateIeCatch2, {{IID_IIeCatch2, IID_IDispatch}, {IID_IObjectWithSite}},
       with({IID_IIeCatch5, IID_IObjectSafety})},
      {"IeCatch5", CreateIeCatch5, {{IID_IIeCatch5, IID_IDispatch}, {IID_IObjectWithSite}},
       with({IID_IIeCatch2, IID_IObjectSafety})},
  };
}

TEST_F(ComObjectTest, EveryClassAnswersExactlyItsTableWithTheFirstEntryAsItsIdentity) {
  for (const ClassTable& table : ClassTables()) {
    ComPtr<IUnknown> object;
    ASSERT_EQ(S_OK, table.create(nullptr, IID_IUnknown, object.PutVoid())) << table.name;
    EXPECT_EQ(1, ModuleLockCount()) << table.name;
    IUnknown* identity = object.Get();
    for (size_t g = 0; g < table.groups.size(); ++g) {
      IUnknown* groupPointer = nullptr;
      for (const IID& iid : table.groups[g]) {
        ComPtr<IUnknown> answer;
        ASSERT_EQ(S_OK, object->QueryInterface(iid, answer.PutVoid())) << table.name << " group " << g;
        if (groupPointer == nullptr) groupPointer = answer.Get();
        EXPECT_EQ(groupPointer, answer.Get()) << table.name << ": one pointer per group";
        if (g == 0) {
          EXPECT_EQ(identity, answer.Get()) << table.name << ": the first group is the identity";
        } else {
          EXPECT_NE(identity, answer.Get()) << table.name;
        }
        EXPECT_EQ(identity, Identity(answer.Get())) << table.name << ": IUnknown through every interface";
      }
    }
    for (const IID& iid : table.refused) {
      void* result = reinterpret_cast<void*>(1);
      EXPECT_EQ(E_NOINTERFACE, object->QueryInterface(iid, &result)) << table.name;
      EXPECT_EQ(nullptr, result);
    }
    object.Reset();
    EXPECT_EQ(0, ModuleLockCount()) << table.name;
  }
}

TEST_F(ComObjectTest, EveryCreatorRefusesANullOutPointerAndAnUnknownInterfaceWithoutLeavingALock) {
  for (const ClassTable& table : ClassTables()) {
    EXPECT_EQ(E_POINTER, table.create(nullptr, IID_IUnknown, nullptr)) << table.name;
    void* result = reinterpret_cast<void*>(1);
    EXPECT_EQ(E_NOINTERFACE, table.create(nullptr, IID_IClassFactory, &result)) << table.name;
    EXPECT_EQ(nullptr, result);
    EXPECT_EQ(0, ModuleLockCount()) << table.name;
  }
}

TEST_F(ComObjectTest, EveryClassCanBeAnAggregatePartThatAnswersItsTableThroughTheInnerUnknown) {
  for (const ClassTable& table : ClassTables()) {
    CallLog log;
    FakeOuterUnknown outer(log);
    void* refused = reinterpret_cast<void*>(1);
    EXPECT_EQ(CLASS_E_NOAGGREGATION, table.create(&outer, table.groups[0][0], &refused)) << table.name;
    EXPECT_EQ(nullptr, refused);
    ComPtr<IUnknown> inner;
    ASSERT_EQ(S_OK, table.create(&outer, IID_IUnknown, inner.PutVoid())) << table.name;
    EXPECT_EQ(1, ModuleLockCount()) << table.name << ": the part holds one lock";
    for (const std::vector<IID>& group : table.groups) {
      ComPtr<IUnknown> answer;
      ASSERT_EQ(S_OK, inner->QueryInterface(group[0], answer.PutVoid())) << table.name;
      EXPECT_EQ(static_cast<IUnknown*>(&outer), Identity(answer.Get())) << table.name << ": the outer identity";
    }
    EXPECT_EQ(1, outer.References()) << table.name;
    inner.Reset();
    EXPECT_EQ(0, ModuleLockCount()) << table.name;
  }
}

}  // namespace
