// Build-time helper, run under Wine with the target's bitness. Three jobs:
//   resource_tool typelib IN.tlb OUT.tlb   rebuild widl's library: exact enumeration member names
//                                          (from their custom data), descriptions in the order
//                                          interface, class, enumerations; checks that member ids,
//                                          vtable offsets and flags came through unchanged.
//   resource_tool wave OUT.wav             the message sound: a short two-note chime, RIFF PCM
//                                          stereo 22,050 Hz 16-bit, 20,191 frames, LIST/INFO chunk.
//   resource_tool icon OUT.ico             the file icon: 32 x 32, 16 colours, a folder holding a
//                                          small dialog window.
// clang-format off
#include <windows.h>  // first: the other platform headers need it
#include <oleauto.h>
// clang-format on

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "housing/handles.h"

namespace {

using quillon::housing::ComPtr;
using quillon::housing::UniqueBstr;

// The custom-data key under which the IDL records an enumeration member's real name.
constexpr GUID kNameKey = {
    0x35b8456c, 0xc41d, 0x497c, {0x87, 0xe2, 0x00, 0xf7, 0x62, 0x99, 0xd4, 0xe6}};
// The colour properties take stdole2's OLE_COLOR; widl can only spell it as its base type.
const wchar_t* const kColourMembers[] = {L"BackColorBody", L"BackColorButtons", L"BackColorHeading",
                                         L"ForeColorBody", L"ForeColorHeading"};
constexpr GUID kOleColor = {
    0x66504301, 0xBE0F, 0x101A, {0x8B, 0xBB, 0x00, 0xAA, 0x00, 0x30, 0x0C, 0xAB}};
const wchar_t* const kOrder[] = {L"_Quillon", L"Quillon", L"GradientType", L"TypeOfHeading",
                                 L"StartPosition"};

void print_failure(const quillon::forms::win32::Failure& f) {
  std::fprintf(stderr, "resource_tool: %s failed (0x%08lx)\n", f.expression,
               static_cast<unsigned long>(f.hr));
}
int fail(const char* what, HRESULT hr) {
  print_failure({what, __FILE__, __LINE__, hr});
  return 1;
}

std::wstring name_of(ITypeInfo* ti, MEMBERID id = MEMBERID_NIL) {
  UniqueBstr name;
  if (FAILED(ti->GetDocumentation(id, name.put(), nullptr, nullptr, nullptr))) return {};
  return name.str();
}

bool is_colour_member(const std::wstring& name) {
  for (const wchar_t* c : kColourMembers)
    if (name == c) return true;
  return false;
}

struct Copier {
  ITypeLib* src;
  ICreateTypeLib2* dst;
  ITypeInfo* ole_color;                            // from stdole2
  std::vector<ComPtr<ITypeInfo>> src_infos;        // in the wanted order
  std::vector<ComPtr<ICreateTypeInfo>> dst_infos;  // in the wanted order

  // A user-defined type referred to from `from` (source) becomes a reference of `to`.
  HRESULT map_type(ITypeInfo* from, ICreateTypeInfo* to, TYPEDESC& td,
                   std::vector<TYPEDESC*>& owned) {
    if (td.vt == VT_PTR || td.vt == VT_SAFEARRAY) {
      auto* inner = new TYPEDESC(*td.lptdesc);
      owned.push_back(inner);
      td.lptdesc = inner;
      return map_type(from, to, *inner, owned);
    }
    if (td.vt != VT_USERDEFINED) return S_OK;
    ComPtr<ITypeInfo> ref;
    HRESULT hr = from->GetRefTypeInfo(td.hreftype, ref.put());
    if (FAILED(hr)) return hr;
    ITypeInfo* target = ref.get();
    const std::wstring n = name_of(ref.get());
    for (size_t i = 0; i < src_infos.size(); ++i) {
      if (n == kOrder[i]) {
        ComPtr<ITypeInfo> mine;
        hr = dst_infos[i]->QueryInterface(IID_ITypeInfo, reinterpret_cast<void**>(mine.put()));
        if (FAILED(hr)) return hr;
        return to->AddRefTypeInfo(mine.get(), &td.hreftype);
      }
    }
    return to->AddRefTypeInfo(target, &td.hreftype);
  }

  HRESULT copy_functions(ITypeInfo* from, ICreateTypeInfo* to) {
    TYPEATTR* ta = nullptr;
    HRESULT hr = from->GetTypeAttr(&ta);
    if (FAILED(hr)) return hr;
    const UINT count = ta->cFuncs;
    from->ReleaseTypeAttr(ta);
    for (UINT i = 0; i < count && SUCCEEDED(hr); ++i) {
      FUNCDESC* fd = nullptr;
      if (FAILED(hr = from->GetFuncDesc(i, &fd))) break;
      FUNCDESC copy = *fd;
      std::vector<ELEMDESC> params(fd->lprgelemdescParam, fd->lprgelemdescParam + fd->cParams);
      std::vector<TYPEDESC*> owned;
      copy.lprgelemdescParam = params.data();
      copy.oVft = 0;  // laid out again for this bitness
      for (auto& p : params)
        if (SUCCEEDED(hr)) hr = map_type(from, to, p.tdesc, owned);
      if (SUCCEEDED(hr) && is_colour_member(name_of(from, fd->memid)) && fd->cParams == 1) {
        // The value (or the pointer to the value) becomes stdole2's OLE_COLOR.
        TYPEDESC& t = params[0].tdesc.vt == VT_PTR ? *params[0].tdesc.lptdesc : params[0].tdesc;
        if (t.vt != VT_UI4) {
          hr = E_FAIL;
        } else {
          t.vt = VT_USERDEFINED;
          hr = to->AddRefTypeInfo(ole_color, &t.hreftype);
        }
      }
      if (SUCCEEDED(hr)) hr = map_type(from, to, copy.elemdescFunc.tdesc, owned);
      if (SUCCEEDED(hr)) hr = to->AddFuncDesc(i, &copy);
      // Names: the function, then every parameter except a property setter's value.
      UniqueBstr names[16];
      BSTR raw[16] = {};
      UINT got = 0;
      if (SUCCEEDED(hr)) hr = from->GetNames(fd->memid, raw, 16, &got);
      for (UINT k = 0; k < got; ++k) names[k].reset(raw[k]);
      std::vector<LPOLESTR> list;
      list.push_back(names[0].get());
      const bool put = (fd->invkind & (INVOKE_PROPERTYPUT | INVOKE_PROPERTYPUTREF)) != 0;
      const UINT wanted = put ? fd->cParams - 1 : fd->cParams;
      static wchar_t v[] = L"v";
      for (UINT k = 0; k < wanted; ++k) list.push_back(k + 1 < got ? names[k + 1].get() : v);
      if (SUCCEEDED(hr))
        hr = to->SetFuncAndParamNames(i, list.data(), static_cast<UINT>(list.size()));
      for (auto* t : owned) delete t;
      from->ReleaseFuncDesc(fd);
    }
    return hr;
  }

  HRESULT copy_enum(ITypeInfo* from, ICreateTypeInfo* to) {
    ComPtr<ITypeInfo2> from2;
    HRESULT hr = from->QueryInterface(IID_ITypeInfo2, reinterpret_cast<void**>(from2.put()));
    TYPEATTR* ta = nullptr;
    if (SUCCEEDED(hr)) hr = from->GetTypeAttr(&ta);
    if (FAILED(hr)) return hr;
    const UINT count = ta->cVars;
    from->ReleaseTypeAttr(ta);
    for (UINT i = 0; i < count && SUCCEEDED(hr); ++i) {
      VARDESC* vd = nullptr;
      if (FAILED(hr = from->GetVarDesc(i, &vd))) break;
      VARIANT custom;
      VariantInit(&custom);
      hr = from2->GetVarCustData(i, kNameKey, &custom);
      if (SUCCEEDED(hr) && V_VT(&custom) != VT_BSTR) hr = E_FAIL;
      if (SUCCEEDED(hr)) hr = to->AddVarDesc(i, vd);
      if (SUCCEEDED(hr)) hr = to->SetVarName(i, V_BSTR(&custom));
      VariantClear(&custom);
      from->ReleaseVarDesc(vd);
    }
    return hr;
  }
};

// Compares what a late- or early-bound caller relies on: kinds, flags, member ids, vtable
// offsets, invocation kinds, parameter types and flags, enumeration values.
int compare(ITypeInfo* a, ITypeInfo* b, const std::wstring& what) {
  TYPEATTR *ta = nullptr, *tb = nullptr;
  QUILLON_RETURN_IF_FAILED(a->GetTypeAttr(&ta));
  QUILLON_RETURN_IF_FAILED(b->GetTypeAttr(&tb));
  int bad = 0;
  if (ta->typekind != tb->typekind || ta->wTypeFlags != tb->wTypeFlags ||
      ta->cFuncs != tb->cFuncs || ta->cVars != tb->cVars || ta->cbSizeVft != tb->cbSizeVft ||
      ta->guid != tb->guid) {
    std::fprintf(stderr, "resource_tool: %ls: attributes differ (kind %d/%d flags %x/%x)\n",
                 what.c_str(), ta->typekind, tb->typekind, ta->wTypeFlags, tb->wTypeFlags);
    bad = 1;
  }
  for (UINT i = 0; !bad && i < ta->cFuncs; ++i) {
    FUNCDESC *fa = nullptr, *fb = nullptr;
    QUILLON_RETURN_IF_FAILED(a->GetFuncDesc(i, &fa));
    QUILLON_RETURN_IF_FAILED(b->GetFuncDesc(i, &fb));
    // widl's colours are its base type; the rewritten library names stdole2's OLE_COLOR.
    const bool colour = is_colour_member(name_of(a, fa->memid));
    auto same_type = [colour](const TYPEDESC& ta_, const TYPEDESC& tb_) {
      const VARTYPE x = ta_.vt == VT_PTR ? ta_.lptdesc->vt : ta_.vt;
      const VARTYPE y = tb_.vt == VT_PTR ? tb_.lptdesc->vt : tb_.vt;
      return ta_.vt == tb_.vt ? x == y || (colour && x == VT_UI4 && y == VT_USERDEFINED)
                              : colour && ta_.vt == VT_UI4 && tb_.vt == VT_USERDEFINED;
    };
    bool same = fa->memid == fb->memid && fa->oVft == fb->oVft && fa->invkind == fb->invkind &&
                fa->cParams == fb->cParams && fa->cParamsOpt == fb->cParamsOpt &&
                fa->funckind == fb->funckind && fa->wFuncFlags == fb->wFuncFlags &&
                same_type(fa->elemdescFunc.tdesc, fb->elemdescFunc.tdesc);
    for (SHORT k = 0; same && k < fa->cParams; ++k) {
      const ELEMDESC& pa = fa->lprgelemdescParam[k];
      const ELEMDESC& pb = fb->lprgelemdescParam[k];
      same = same_type(pa.tdesc, pb.tdesc) && pa.paramdesc.wParamFlags == pb.paramdesc.wParamFlags;
    }
    if (!same) {
      std::fprintf(stderr, "resource_tool: %ls: function %u differs (id %lx/%lx, vft %d/%d)\n",
                   what.c_str(), i, fa->memid, fb->memid, fa->oVft, fb->oVft);
      bad = 1;
    }
    a->ReleaseFuncDesc(fa);
    b->ReleaseFuncDesc(fb);
  }
  for (UINT i = 0; !bad && i < ta->cVars; ++i) {
    VARDESC *va = nullptr, *vb = nullptr;
    QUILLON_RETURN_IF_FAILED(a->GetVarDesc(i, &va));
    QUILLON_RETURN_IF_FAILED(b->GetVarDesc(i, &vb));
    if (va->memid != vb->memid || V_I4(va->lpvarValue) != V_I4(vb->lpvarValue)) bad = 1;
    a->ReleaseVarDesc(va);
    b->ReleaseVarDesc(vb);
  }
  a->ReleaseTypeAttr(ta);
  b->ReleaseTypeAttr(tb);
  return bad;
}

int rebuild_typelib(const wchar_t* in, const wchar_t* out) {
  ComPtr<ITypeLib> src;
  QUILLON_RETURN_IF_FAILED(LoadTypeLibEx(in, REGKIND_NONE, src.put()));
  TLIBATTR* la = nullptr;
  QUILLON_RETURN_IF_FAILED(src->GetLibAttr(&la));
  const TLIBATTR attr = *la;
  src->ReleaseTLibAttr(la);
  // Written for the platform of widl's library, which must be this tool's own (and the DLL's).
  if (attr.syskind != (sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32))
    return fail("matching the library's platform to this tool's", E_FAIL);
  ComPtr<ICreateTypeLib2> dst;
  QUILLON_RETURN_IF_FAILED(CreateTypeLib2(attr.syskind, out, dst.put()));
  QUILLON_RETURN_IF_FAILED(dst->SetGuid(attr.guid));
  QUILLON_RETURN_IF_FAILED(dst->SetLcid(attr.lcid));
  QUILLON_RETURN_IF_FAILED(dst->SetVersion(attr.wMajorVerNum, attr.wMinorVerNum));
  QUILLON_RETURN_IF_FAILED(dst->SetLibFlags(attr.wLibFlags));
  UniqueBstr lib_name, lib_doc;
  QUILLON_RETURN_IF_FAILED(
      src->GetDocumentation(-1, lib_name.put(), lib_doc.put(), nullptr, nullptr));
  QUILLON_RETURN_IF_FAILED(dst->SetName(lib_name.get()));
  QUILLON_RETURN_IF_FAILED(dst->SetDocString(lib_doc.get()));

  ComPtr<ITypeLib> stdole;
  ComPtr<ITypeInfo> ole_color;
  QUILLON_RETURN_IF_FAILED(LoadTypeLibEx(L"stdole2.tlb", REGKIND_NONE, stdole.put()));
  QUILLON_RETURN_IF_FAILED(stdole->GetTypeInfoOfGuid(kOleColor, ole_color.put()));
  Copier c{src.get(), dst.get(), ole_color.get(), {}, {}};
  const UINT count = src->GetTypeInfoCount();
  for (const wchar_t* want : kOrder) {
    ComPtr<ITypeInfo> found;
    for (UINT i = 0; i < count && !found; ++i) {
      ComPtr<ITypeInfo> ti;
      QUILLON_RETURN_IF_FAILED(src->GetTypeInfo(i, ti.put()));
      if (name_of(ti.get()) == want) found = std::move(ti);
    }
    if (!found) return fail("finding a type description", E_FAIL);
    TYPEATTR* ta = nullptr;
    QUILLON_RETURN_IF_FAILED(found->GetTypeAttr(&ta));
    // A dual interface is written as its vtable interface; the writer adds the dispatch side.
    const TYPEKIND kind = ta->typekind == TKIND_DISPATCH ? TKIND_INTERFACE : ta->typekind;
    found->ReleaseTypeAttr(ta);
    ComPtr<ICreateTypeInfo> made;
    QUILLON_RETURN_IF_FAILED(dst->CreateTypeInfo(const_cast<LPOLESTR>(want), kind, made.put()));
    c.src_infos.push_back(std::move(found));
    c.dst_infos.push_back(std::move(made));
  }

  for (size_t i = 0; i < c.src_infos.size(); ++i) {
    ITypeInfo* from = c.src_infos[i].get();
    ICreateTypeInfo* to = c.dst_infos[i].get();
    TYPEATTR* ta = nullptr;
    QUILLON_RETURN_IF_FAILED(from->GetTypeAttr(&ta));
    const TYPEATTR attr = *ta;
    from->ReleaseTypeAttr(ta);
    QUILLON_RETURN_IF_FAILED(to->SetGuid(attr.guid));
    QUILLON_RETURN_IF_FAILED(to->SetVersion(attr.wMajorVerNum, attr.wMinorVerNum));
    if (attr.typekind == TKIND_DISPATCH) {
      ComPtr<ITypeInfo> vtable;
      HREFTYPE h = 0;
      QUILLON_RETURN_IF_FAILED(from->GetRefTypeOfImplType(-1, &h));
      QUILLON_RETURN_IF_FAILED(from->GetRefTypeInfo(h, vtable.put()));
      TYPEATTR* va = nullptr;
      QUILLON_RETURN_IF_FAILED(vtable->GetTypeAttr(&va));
      const WORD vtable_flags = va->wTypeFlags;
      vtable->ReleaseTypeAttr(va);
      QUILLON_RETURN_IF_FAILED(to->SetTypeFlags(vtable_flags));
      ComPtr<ITypeInfo> base;
      QUILLON_RETURN_IF_FAILED(vtable->GetRefTypeOfImplType(0, &h));
      QUILLON_RETURN_IF_FAILED(vtable->GetRefTypeInfo(h, base.put()));
      HREFTYPE mine = 0;
      QUILLON_RETURN_IF_FAILED(to->AddRefTypeInfo(base.get(), &mine));
      QUILLON_RETURN_IF_FAILED(to->AddImplType(0, mine));
      QUILLON_RETURN_IF_FAILED(c.copy_functions(vtable.get(), to));
    } else if (attr.typekind == TKIND_COCLASS) {
      QUILLON_RETURN_IF_FAILED(to->SetTypeFlags(attr.wTypeFlags));
      for (UINT k = 0; k < attr.cImplTypes; ++k) {
        HREFTYPE h = 0;
        INT flags = 0;
        QUILLON_RETURN_IF_FAILED(from->GetRefTypeOfImplType(k, &h));
        QUILLON_RETURN_IF_FAILED(from->GetImplTypeFlags(k, &flags));
        TYPEDESC td{};
        td.vt = VT_USERDEFINED;
        td.hreftype = h;
        std::vector<TYPEDESC*> owned;
        QUILLON_RETURN_IF_FAILED(c.map_type(from, to, td, owned));
        QUILLON_RETURN_IF_FAILED(to->AddImplType(k, td.hreftype));
        QUILLON_RETURN_IF_FAILED(to->SetImplTypeFlags(k, flags));
      }
    } else if (attr.typekind == TKIND_ENUM) {
      QUILLON_RETURN_IF_FAILED(to->SetTypeFlags(attr.wTypeFlags));
      QUILLON_RETURN_IF_FAILED(c.copy_enum(from, to));
    }
    QUILLON_RETURN_IF_FAILED(to->LayOut());
    // The writer marks a class dispatchable while laying out; the source's flags are wanted.
    if (attr.typekind == TKIND_COCLASS) QUILLON_RETURN_IF_FAILED(to->SetTypeFlags(attr.wTypeFlags));
  }
  QUILLON_RETURN_IF_FAILED(dst->SaveAllChanges());

  // Read the result back and compare it with widl's library.
  ComPtr<ITypeLib> again;
  QUILLON_RETURN_IF_FAILED(LoadTypeLibEx(out, REGKIND_NONE, again.put()));
  if (again->GetTypeInfoCount() != 5) return fail("counting the written descriptions", E_FAIL);
  int bad = 0;
  for (UINT i = 0; i < 5; ++i) {
    ComPtr<ITypeInfo> ti;
    QUILLON_RETURN_IF_FAILED(again->GetTypeInfo(i, ti.put()));
    if (name_of(ti.get()) != kOrder[i]) return fail("ordering the descriptions", E_FAIL);
    bad |= compare(c.src_infos[i].get(), ti.get(), kOrder[i]);
    TYPEATTR* ta = nullptr;
    QUILLON_RETURN_IF_FAILED(ti->GetTypeAttr(&ta));
    const bool dual = ta->typekind == TKIND_DISPATCH;
    ti->ReleaseTypeAttr(ta);
    if (dual) {  // the vtable side too
      HREFTYPE h1 = 0, h2 = 0;
      ComPtr<ITypeInfo> v1, v2;
      QUILLON_RETURN_IF_FAILED(c.src_infos[i]->GetRefTypeOfImplType(-1, &h1));
      QUILLON_RETURN_IF_FAILED(c.src_infos[i]->GetRefTypeInfo(h1, v1.put()));
      QUILLON_RETURN_IF_FAILED(ti->GetRefTypeOfImplType(-1, &h2));
      QUILLON_RETURN_IF_FAILED(ti->GetRefTypeInfo(h2, v2.put()));
      bad |= compare(v1.get(), v2.get(), L"_Quillon (vtable)");
    }
  }
  return bad;
}

// --- the sound ---------------------------------------------------------------------------------

void put16(std::string& s, std::uint16_t v) {
  s.append({char(v & 0xFF), char(v >> 8)});
}
void put32(std::string& s, std::uint32_t v) {
  put16(s, static_cast<std::uint16_t>(v & 0xFFFF));
  put16(s, static_cast<std::uint16_t>(v >> 16));
}

int write_wave(const wchar_t* out) {
  constexpr std::uint32_t kRate = 22050, kFrames = 20191, kChannels = 2, kBlock = 4;
  constexpr std::uint32_t kData = kFrames * kBlock;  // 80,764 bytes of samples
  // The LIST chunk: "INFO" and one software-name entry of 28 bytes, 40 bytes in all.
  std::string name = "Quillon message chime";
  name.resize(28, '\0');
  std::string info = "INFOISFT";
  put32(info, 28);
  info += name;
  std::string f = "RIFF";
  const std::uint32_t total = 4 + (8 + 16) + (8 + 40) + (8 + kData);
  put32(f, total);
  f += "WAVEfmt ";
  put32(f, 16);
  put16(f, 1);  // PCM
  put16(f, kChannels);
  put32(f, kRate);
  put32(f, kRate * kBlock);
  put16(f, kBlock);
  put16(f, 16);
  f += "LIST";
  put32(f, 40);
  f += info;
  f += "data";
  put32(f, kData);
  // Two soft bell partials (E6 then B5) with an exponential decay; the right channel lags a
  // little for width.
  const double pi = std::acos(-1.0);
  for (std::uint32_t n = 0; n < kFrames; ++n) {
    const double t = static_cast<double>(n) / kRate;
    auto voice = [&](double start, double freq) {
      if (t < start) return 0.0;
      const double u = t - start;
      const double attack = std::min(1.0, u / 0.004);
      return attack * std::exp(-u * 5.5) *
             (std::sin(2 * pi * freq * u) +
              0.3 * std::sin(2 * pi * freq * 2.76 * u) * std::exp(-u * 9));
    };
    const double fade = n + 400 > kFrames ? (kFrames - n) / 400.0 : 1.0;
    const double l = fade * (0.45 * voice(0.0, 1318.5) + 0.4 * voice(0.16, 987.8));
    const double r = fade * (0.42 * voice(0.003, 1318.5) + 0.43 * voice(0.163, 987.8));
    put16(f, static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(l * 12000))));
    put16(f, static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(r * 12000))));
  }
  std::ofstream(out, std::ios::binary) << f;
  return f.size() == 80856 ? 0 : fail("sizing the sound", E_FAIL);
}

// --- the icon ----------------------------------------------------------------------------------

int write_icon(const wchar_t* out) {
  // 16-colour palette indexes: 0 black, 3 olive, 4 navy, 7 silver, 11 yellow, 15 white.
  static const char* const kArt[32] = {
      "................................", "................................",
      "................................", "................................",
      "..oooooooo......................", ".oyyyyyyyyo.....................",
      ".oyyyyyyyyyooooooooooooooooooo..", ".oyyyyyyyyyyyyyyyyyyyyyyyyyyyo..",
      ".oyyyyyyyyyyyyyyyyyyyyyyyyyyyo..", ".oyyyyykkkkkkkkkkkkkkkkkkkyyyo..",
      ".oyyyyykNNNNNNNNNNNNNNNNNkyyyo..", ".oyyyyykNNNNNNNNNNNNNNNNNkyyyo..",
      ".oyyyyykwwwwwwwwwwwwwwwwwkyyyo..", ".oyyyyykwwwwwwwwwwwwwwwwwkyyyo..",
      ".oyyyyykwwkkkkkkkkkkwwwwwkyyyo..", ".oyyyyykwwwwwwwwwwwwwwwwwkyyyo..",
      ".oyyyyykwwkkkkkkkwwwwwwwwkyyyo..", ".oyyyyykwwwwwwwwwwwwwwwwwkyyyo..",
      ".oyyyyykwwwwwsssssswwwwwwkyyyo..", ".oyyyyykwwwwwskkkkswwwwwwkyyyo..",
      ".oyyyyykwwwwwsssssswwwwwwkyyyo..", ".oyyyyykwwwwwwwwwwwwwwwwwkyyyo..",
      ".oyyyyykkkkkkkkkkkkkkkkkkkyyyo..", ".oyyyyyyyyyyyyyyyyyyyyyyyyyyyo..",
      ".oyyyyyyyyyyyyyyyyyyyyyyyyyyyo..", ".oyyyyyyyyyyyyyyyyyyyyyyyyyyyo..",
      ".ooooooooooooooooooooooooooooo..", "................................",
      "................................", "................................",
      "................................", "................................"};
  auto index = [](char ch) -> std::uint8_t {
    switch (ch) {
      case 'o':
        return 3;
      case 'y':
        return 11;
      case 'k':
        return 0;
      case 'N':
        return 4;
      case 'w':
        return 15;
      case 's':
        return 7;
      default:
        return 0;
    }
  };
  static const std::uint32_t kPalette[16] = {
      0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
      0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};  // 0xRRGGBB
  std::string img;
  put32(img, 40);
  put32(img, 32);
  put32(img, 64);  // colour plus mask
  put16(img, 1);
  put16(img, 4);
  put32(img, 0);
  put32(img, 32 * 16 + 32 * 4);
  put32(img, 0);
  put32(img, 0);
  put32(img, 16);
  put32(img, 0);
  for (std::uint32_t c : kPalette) {  // stored blue, green, red, 0
    img.push_back(char(c & 0xFF));
    img.push_back(char((c >> 8) & 0xFF));
    img.push_back(char((c >> 16) & 0xFF));
    img.push_back('\0');
  }
  for (int row = 31; row >= 0; --row)  // bottom-up, two pixels a byte
    for (int col = 0; col < 32; col += 2)
      img.push_back(char((index(kArt[row][col]) << 4) | index(kArt[row][col + 1])));
  for (int row = 31; row >= 0; --row) {  // the mask: 1 = transparent
    std::uint32_t bits = 0;
    for (int col = 0; col < 32; ++col)
      if (kArt[row][col] == '.') bits |= 0x80000000u >> col;
    img.append(
        {char(bits >> 24), char((bits >> 16) & 0xFF), char((bits >> 8) & 0xFF), char(bits & 0xFF)});
  }
  std::string f;
  put16(f, 0);
  put16(f, 1);  // icon
  put16(f, 1);  // one image
  f.append({char(32), char(32), char(16), char(0)});
  put16(f, 1);
  put16(f, 4);
  put32(f, static_cast<std::uint32_t>(img.size()));
  put32(f, 6 + 16);
  f += img;
  std::ofstream(out, std::ios::binary) << f;
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  quillon::forms::win32::failure_reporter = print_failure;
  const std::wstring job = argc > 1 ? argv[1] : L"";
  if (job == L"typelib" && argc == 4) {
    CoInitialize(nullptr);
    const int rc = rebuild_typelib(argv[2], argv[3]);
    CoUninitialize();
    return rc;
  }
  if (job == L"wave" && argc == 3) return write_wave(argv[2]);
  if (job == L"icon" && argc == 3) return write_icon(argv[2]);
  std::fprintf(stderr, "usage: resource_tool typelib IN OUT | wave OUT | icon OUT\n");
  return 2;
}
