// Writes navtrap.tlb through the platform's own type-library writer (ICreateTypeLib2), run
// under Wine at build time. widl's own library carries copies of imported declarations; this
// one holds exactly our seven type descriptions and takes IUnknown and IDispatch from stdole2.
// The identities come from the header widl generates from navtrap.idl; the members from the
// tables below, which follow the interface declarations there (a test reads the vtable
// offsets back and compares them with the generated header).
//   type_library_writer OUTPUT.tlb      exit 0 on success, else the failing step on stderr
#include <windows.h>
#include <ole2.h>

#include <cstdio>

#include "navtrap_idl.h"

namespace {

enum class ParamType { kBstr, kLong, kVariantPointer, kBoolPointer, kLongPointer };

struct Param {
  const wchar_t* name;
  ParamType type;
};

struct Method {
  MEMBERID id;
  const wchar_t* name;
  bool hidden;
  Param params[6];
  int paramCount;
  bool lastIsRetval;  // the last parameter is [out, retval]
};

const Method kOstrelNetscapeMethods[] = {
    {1, L"Initialize", false,
     {{L"pProtocol", ParamType::kBstr}, {L"pUrl", ParamType::kBstr}, {L"Cancel", ParamType::kBoolPointer}}, 3, true},
    {2, L"Open", false, {{L"pUrl", ParamType::kBstr}}, 1, false},
    {3, L"AddUrl", false,
     {{L"pUrl", ParamType::kBstr}, {L"pInfo", ParamType::kBstr}, {L"pReferer", ParamType::kBstr}}, 3, false},
    {4, L"AddUrlList", false, {{L"pList", ParamType::kVariantPointer}}, 1, false},
    {5, L"IsUrlExist", false, {{L"pUrl", ParamType::kBstr}, {L"pVal", ParamType::kBoolPointer}}, 2, true},
    {6, L"AddUrlEx", true,
     {{L"pUrl", ParamType::kBstr},
      {L"pInfo", ParamType::kBstr},
      {L"pReferer", ParamType::kBstr},
      {L"pSaveTo", ParamType::kBstr},
      {L"uFlags", ParamType::kLong},
      {L"pVal", ParamType::kBoolPointer}},
     6, true},
    {7, L"AddUrlListEx", true,
     {{L"pList", ParamType::kVariantPointer},
      {L"pSaveTo", ParamType::kBstr},
      {L"uFlags", ParamType::kLong},
      {L"pVal", ParamType::kLongPointer}},
     4, true},
};

const WORD kDualFlags = TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE;
// IUnknown's three and IDispatch's four slots come first.
const SHORT kFirstOwnSlot = 7 * sizeof(void*);

bool Check(HRESULT hr, const char* step) {
  if (SUCCEEDED(hr)) return true;
  std::fprintf(stderr, "type_library_writer: %s failed with 0x%08lx\n", step, static_cast<unsigned long>(hr));
  return false;
}

// Owns one interface pointer for the length of a step.
template <typename T>
struct Ref {
  T* p = nullptr;
  ~Ref() {
    if (p != nullptr) p->Release();
  }
  T** operator&() { return &p; }
  T* operator->() const { return p; }
};

TYPEDESC Pointee(VARTYPE vt) { return TYPEDESC{{nullptr}, vt}; }

// Param descriptions point into `pointees`, which must live until AddFuncDesc has copied them.
void Describe(const Param& param, bool retval, ELEMDESC* element, TYPEDESC* pointee) {
  *element = ELEMDESC();
  switch (param.type) {
    case ParamType::kBstr: element->tdesc.vt = VT_BSTR; break;
    case ParamType::kLong: element->tdesc.vt = VT_I4; break;
    case ParamType::kVariantPointer: *pointee = Pointee(VT_VARIANT); break;
    case ParamType::kBoolPointer: *pointee = Pointee(VT_BOOL); break;
    case ParamType::kLongPointer: *pointee = Pointee(VT_I4); break;
  }
  if (element->tdesc.vt == VT_EMPTY) {
    element->tdesc.vt = VT_PTR;
    element->tdesc.lptdesc = pointee;
  }
  element->paramdesc.wParamFlags = retval ? (PARAMFLAG_FOUT | PARAMFLAG_FRETVAL) : PARAMFLAG_NONE;
}

bool AddMethod(ICreateTypeInfo* info, UINT index, const Method& method) {
  ELEMDESC params[6];
  TYPEDESC pointees[6];
  for (int i = 0; i < method.paramCount; ++i) {
    Describe(method.params[i], method.lastIsRetval && i == method.paramCount - 1, &params[i], &pointees[i]);
  }
  FUNCDESC function = FUNCDESC();
  function.memid = method.id;
  function.lprgelemdescParam = params;
  function.funckind = FUNC_PUREVIRTUAL;
  function.invkind = INVOKE_FUNC;
  function.callconv = CC_STDCALL;
  function.cParams = static_cast<SHORT>(method.paramCount);
  function.oVft = static_cast<SHORT>(kFirstOwnSlot + index * sizeof(void*));
  function.elemdescFunc.tdesc.vt = VT_HRESULT;
  function.wFuncFlags = method.hidden ? FUNCFLAG_FHIDDEN : 0;
  if (!Check(info->AddFuncDesc(index, &function), "AddFuncDesc")) return false;

  LPOLESTR names[7];
  names[0] = const_cast<LPOLESTR>(method.name);
  for (int i = 0; i < method.paramCount; ++i) names[i + 1] = const_cast<LPOLESTR>(method.params[i].name);
  if (!Check(info->SetFuncAndParamNames(index, names, method.paramCount + 1), "SetFuncAndParamNames")) return false;
  wchar_t help[64];
  wsprintfW(help, L"method %s", method.name);
  return Check(info->SetFuncDocString(index, help), "SetFuncDocString") &&
         Check(info->SetFuncHelpContext(index, 0), "SetFuncHelpContext");
}

bool Implements(ICreateTypeInfo* info, ITypeInfo* base) {
  HREFTYPE reference = 0;
  return Check(info->AddRefTypeInfo(base, &reference), "AddRefTypeInfo") &&
         Check(info->AddImplType(0, reference), "AddImplType");
}

bool ImplementsByDefault(ICreateTypeInfo* coclass, ITypeInfo* defaultInterface) {
  return Implements(coclass, defaultInterface) &&
         Check(coclass->SetImplTypeFlags(0, IMPLTYPEFLAG_FDEFAULT), "SetImplTypeFlags");
}

bool Describe(ICreateTypeInfo* info, REFGUID guid, WORD flags, const wchar_t* help) {
  return Check(info->SetGuid(guid), "SetGuid") && Check(info->SetTypeFlags(flags), "SetTypeFlags") &&
         Check(info->SetDocString(const_cast<LPOLESTR>(help)), "SetDocString") &&
         Check(info->SetHelpContext(0), "SetHelpContext") && Check(info->SetVersion(0, 0), "SetVersion");
}

// A dual interface deriving from IDispatch with the given methods; `made` receives it so a
// coclass can name it as its default.
bool AddDualInterface(ICreateTypeLib2* library, const wchar_t* name, REFIID iid, const wchar_t* help,
                      ITypeInfo* dispatch, const Method* methods, UINT count, ITypeInfo** made) {
  Ref<ICreateTypeInfo> info;
  if (!Check(library->CreateTypeInfo(const_cast<LPOLESTR>(name), TKIND_INTERFACE, &info), "CreateTypeInfo")) return false;
  if (!Describe(info.p, iid, kDualFlags, help) || !Implements(info.p, dispatch)) return false;
  for (UINT i = 0; i < count; ++i) {
    if (!AddMethod(info.p, i, methods[i])) return false;
  }
  return Check(info->LayOut(), "LayOut") &&
         Check(info->QueryInterface(IID_ITypeInfo, reinterpret_cast<void**>(made)), "QueryInterface");
}

bool AddCoclass(ICreateTypeLib2* library, const wchar_t* name, REFCLSID clsid, const wchar_t* help,
                ITypeInfo* defaultInterface) {
  Ref<ICreateTypeInfo> info;
  return Check(library->CreateTypeInfo(const_cast<LPOLESTR>(name), TKIND_COCLASS, &info), "CreateTypeInfo") &&
         Describe(info.p, clsid, TYPEFLAG_FCANCREATE, help) &&
         ImplementsByDefault(info.p, defaultInterface) && Check(info->LayOut(), "LayOut");
}

// A coclass created before its default interface, so the library keeps the order of the
// table: each class, then the interface it serves.
bool AddClassWithInterface(ICreateTypeLib2* library, const wchar_t* className, REFCLSID clsid,
                           const wchar_t* classHelp, const wchar_t* interfaceName, REFIID iid,
                           const wchar_t* interfaceHelp, ITypeInfo* dispatch, const Method* methods, UINT count) {
  Ref<ICreateTypeInfo> coclass;
  if (!Check(library->CreateTypeInfo(const_cast<LPOLESTR>(className), TKIND_COCLASS, &coclass), "CreateTypeInfo") ||
      !Describe(coclass.p, clsid, TYPEFLAG_FCANCREATE, classHelp)) {
    return false;
  }
  Ref<ITypeInfo> dual;
  if (!AddDualInterface(library, interfaceName, iid, interfaceHelp, dispatch, methods, count, &dual)) return false;
  return ImplementsByDefault(coclass.p, dual.p) && Check(coclass->LayOut(), "LayOut");
}

bool WriteLibrary(const wchar_t* path) {
  Ref<ITypeLib> stdole;
  if (!Check(::LoadTypeLib(L"stdole2.tlb", &stdole), "LoadTypeLib(stdole2.tlb)")) return false;
  Ref<ITypeInfo> unknown;
  Ref<ITypeInfo> dispatch;
  if (!Check(stdole->GetTypeInfoOfGuid(IID_IUnknown, &unknown), "IUnknown from stdole2") ||
      !Check(stdole->GetTypeInfoOfGuid(IID_IDispatch, &dispatch), "IDispatch from stdole2")) {
    return false;
  }

  Ref<ICreateTypeLib2> library;
  if (!Check(::CreateTypeLib2(SYS_WIN32, path, &library), "CreateTypeLib2")) return false;
  if (!Check(library->SetName(const_cast<LPOLESTR>(L"NAVTRAPLib")), "SetName") ||
      !Check(library->SetGuid(LIBID_NAVTRAPLib), "SetGuid") || !Check(library->SetVersion(1, 0), "SetVersion") ||
      !Check(library->SetLcid(LANG_NEUTRAL), "SetLcid") ||
      !Check(library->SetDocString(const_cast<LPOLESTR>(L"navtrap 1.0 Type Library")), "SetDocString") ||
      !Check(library->SetHelpContext(0), "SetHelpContext") || !Check(library->SetLibFlags(0), "SetLibFlags")) {
    return false;
  }

  return AddCoclass(library.p, L"IeCatch", CLSID_IeCatch, L"IeCatch Class", unknown.p) &&
         AddClassWithInterface(library.p, L"OstrelNetscape", CLSID_OstrelNetscape, L"OstrelNetscape Class",
                               L"IOstrelNetscape", IID_IOstrelNetscape, L"IOstrelNetscape Interface", dispatch.p,
                               kOstrelNetscapeMethods, ARRAYSIZE(kOstrelNetscapeMethods)) &&
         AddClassWithInterface(library.p, L"IeCatch2", CLSID_IeCatch2, L"IeCatch2 Class", L"IIeCatch2",
                               IID_IIeCatch2, L"IIeCatch2 Interface", dispatch.p, nullptr, 0) &&
         AddClassWithInterface(library.p, L"IeCatch5", CLSID_IeCatch5, L"IeCatch5 Class", L"IIeCatch5",
                               IID_IIeCatch5, L"IIeCatch5 Interface", dispatch.p, nullptr, 0) &&
         Check(library->SaveAllChanges(), "SaveAllChanges");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: type_library_writer OUTPUT.tlb\n");
    return 2;
  }
  if (FAILED(::CoInitialize(nullptr))) return 1;
  ::DeleteFileW(argv[1]);
  bool written = WriteLibrary(argv[1]);
  ::CoUninitialize();
  if (!written) ::DeleteFileW(argv[1]);
  return written ? 0 : 1;
}
