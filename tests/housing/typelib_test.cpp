// The automation surface as a client reads it from the type library inside Quillon.dll.
#include <sstream>
#include <string>
#include <vector>

#include "com_support.h"

namespace quillon::housing::test {
namespace {

class TypeLibTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(LoadTypeLibEx(dll_path(), REGKIND_NONE, lib_.put()), S_OK);
    ComPtr<ITypeInfo> dispatch;
    ASSERT_EQ(lib_->GetTypeInfoOfGuid(IID__Quillon, dispatch.put()), S_OK);
    HREFTYPE h = 0;
    ASSERT_EQ(dispatch->GetRefTypeOfImplType(-1, &h), S_OK);
    ASSERT_EQ(dispatch->GetRefTypeInfo(h, vtable_.put()), S_OK);
  }
  static std::wstring name_of(ITypeInfo* ti, MEMBERID id = MEMBERID_NIL) {
    UniqueBstr n;
    ti->GetDocumentation(id, n.put(), nullptr, nullptr, nullptr);
    return n.str();
  }
  Apartment apartment_;
  ComPtr<ITypeLib> lib_;
  ComPtr<ITypeInfo> vtable_;
};

TEST_F(TypeLibTest, LibraryAttributesDescriptionOrderAndExactEnumerationNames) {
  TLIBATTR* la = nullptr;
  ASSERT_EQ(lib_->GetLibAttr(&la), S_OK);
  EXPECT_EQ(la->guid, LIBID_QuillonLib);
  EXPECT_EQ(la->lcid, 0x0409u);
  EXPECT_EQ(la->syskind, sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32);  // the DLL's own platform
  lib_->ReleaseTLibAttr(la);
  UniqueBstr name, doc;
  ASSERT_EQ(lib_->GetDocumentation(-1, name.put(), doc.put(), nullptr, nullptr), S_OK);
  EXPECT_EQ(name.str(), L"QuillonLib");
  EXPECT_EQ(doc.str(), L"Quillon ActiveX Component");

  const struct {
    const wchar_t* name;
    TYPEKIND kind;
    WORD flags;
    std::vector<const wchar_t*> values = {};  // an enumeration's names, valued from `first` on
    int first = 0;
  } order[] = {
      {L"_Quillon", TKIND_DISPATCH,
       TYPEFLAG_FHIDDEN | TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE | TYPEFLAG_FDISPATCHABLE},
      {L"Quillon", TKIND_COCLASS, TYPEFLAG_FCANCREATE},
      {L"GradientType",
       TKIND_ENUM,
       0,
       {L"Top to Bottom", L"Left to Right", L"Bottom to Top", L"Right to Left",
        L"Diamond Center FadeOut", L"Diamond Center FadeIn", L"Circle Center FadeOut",
        L"Circle Center FadeIn", L"Circle Top Left FadeOut", L"Circle Top Left FadeIn",
        L"Circle Top Right FadeOut", L"Circle Top Right FadeIn", L"Circle Bottom Left FadeOut",
        L"Circle Bottom Left FadeIn", L"Circle Bottom Right FadeOut",
        L"Circle Bottom Right FadeIn"},
       1},
      {L"TypeOfHeading", TKIND_ENUM, 0, {L"Flat", L"3D"}},
      {L"StartPosition", TKIND_ENUM, 0, {L"Manual", L"Center of Form", L"Center of Screen"}},
  };
  ASSERT_EQ(lib_->GetTypeInfoCount(), 5u);
  for (UINT i = 0; i < 5; ++i) {
    const auto& want = order[i];
    ComPtr<ITypeInfo> ti;
    ASSERT_EQ(lib_->GetTypeInfo(i, ti.put()), S_OK);
    TYPEATTR* ta = nullptr;
    ASSERT_EQ(ti->GetTypeAttr(&ta), S_OK);
    EXPECT_EQ(name_of(ti.get()), want.name) << i;
    EXPECT_EQ(ta->typekind, want.kind) << i;
    EXPECT_EQ(ta->wTypeFlags, want.flags) << i;
    EXPECT_EQ(ta->cVars, want.values.size()) << i;
    for (UINT k = 0; k < want.values.size() && k < ta->cVars; ++k) {
      VARDESC* vd = nullptr;
      ASSERT_EQ(ti->GetVarDesc(k, &vd), S_OK);
      EXPECT_EQ(name_of(ti.get(), vd->memid), want.values[k]);
      EXPECT_TRUE(V_VT(vd->lpvarValue) == VT_I4 || V_VT(vd->lpvarValue) == VT_INT);  // 32-bit
      EXPECT_EQ(V_I4(vd->lpvarValue), want.first + static_cast<int>(k));
      ti->ReleaseVarDesc(vd);
    }
    if (want.kind == TKIND_COCLASS) {  // one default interface, no events, no application object
      EXPECT_EQ(ta->guid, CLSID_Quillon);
      ASSERT_EQ(ta->cImplTypes, 1);
      INT f = 0;
      HREFTYPE h = 0;
      ComPtr<ITypeInfo> def;
      EXPECT_EQ(ti->GetImplTypeFlags(0, &f), S_OK);
      EXPECT_EQ(f, IMPLTYPEFLAG_FDEFAULT);
      ASSERT_EQ(ti->GetRefTypeOfImplType(0, &h), S_OK);
      ASSERT_EQ(ti->GetRefTypeInfo(h, def.put()), S_OK);
      EXPECT_EQ(name_of(def.get()), L"_Quillon");
    }
    ti->ReleaseTypeAttr(ta);
  }
}

TEST_F(TypeLibTest, MembersInVtableOrderWithTheirIdsSlotsAndParameters) {
  // The properties in vtable order (ids count down from 0x68030016) and their types.
  std::vector<std::wstring> properties;
  std::wistringstream names(
      L"BackColorBody BackColorButtons BackColorHeading ForeColorBody ForeColorHeading "
      L"GradientPaint GradientDirection HeadingType SolidColorHeading TextAlignment Moveable "
      L"KeepOnTop Modal TimerSeconds SoundBeep ControlBox StartUpPosition Top Left Height Width "
      L"DefaultTitle HideButtons");
  for (std::wstring n; names >> n;) properties.push_back(n);
  ASSERT_EQ(properties.size(), 23u);
  const VARTYPE types[] = {
      VT_USERDEFINED, VT_USERDEFINED, VT_USERDEFINED, VT_USERDEFINED, VT_USERDEFINED, VT_BOOL,
      VT_USERDEFINED, VT_USERDEFINED, VT_BOOL,        VT_I4,          VT_BOOL,        VT_BOOL,
      VT_BOOL,        VT_I2,          VT_BOOL,        VT_BOOL,        VT_USERDEFINED, VT_I4,
      VT_I4,          VT_I4,          VT_I4,          VT_BSTR,        VT_BOOL};
  // MsgBox's Message, optional Buttons (default 0) and optional Title, then its result.
  const struct {
    USHORT flags;
    VARTYPE vt;
  } msgbox[] = {{PARAMFLAG_FIN, VT_BSTR},
                {PARAMFLAG_FIN | PARAMFLAG_FOPT | PARAMFLAG_FHASDEFAULT, VT_I2},
                {PARAMFLAG_FIN | PARAMFLAG_FOPT, VT_BSTR},
                {PARAMFLAG_FOUT | PARAMFLAG_FRETVAL, VT_PTR}};
  TYPEATTR* ta = nullptr;
  ASSERT_EQ(vtable_->GetTypeAttr(&ta), S_OK);
  EXPECT_EQ(ta->cFuncs, 47);
  EXPECT_EQ(ta->cbSizeVft, 54 * sizeof(void*));
  vtable_->ReleaseTypeAttr(ta);

  for (UINT i = 0; i < 47; ++i) {
    FUNCDESC* fd = nullptr;
    ASSERT_EQ(vtable_->GetFuncDesc(i, &fd), S_OK);
    EXPECT_EQ(fd->oVft, (7 + static_cast<int>(i)) * static_cast<int>(sizeof(void*))) << i;
    EXPECT_EQ(fd->elemdescFunc.tdesc.vt, VT_HRESULT) << i;
    if (i == 0) {
      EXPECT_EQ(name_of(vtable_.get(), fd->memid), L"MsgBox");
      EXPECT_EQ(fd->memid, 0x60030018);
      EXPECT_EQ(fd->invkind, INVOKE_FUNC);
      ASSERT_EQ(fd->cParams, 4);
      for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(fd->lprgelemdescParam[k].paramdesc.wParamFlags, msgbox[k].flags) << k;
        EXPECT_EQ(fd->lprgelemdescParam[k].tdesc.vt, msgbox[k].vt) << k;
      }
      const PARAMDESCEX* def = fd->lprgelemdescParam[1].paramdesc.pparamdescex;
      ASSERT_NE(def, nullptr);
      UniqueVariant value;
      ASSERT_EQ(
          VariantChangeType(value.get(), const_cast<VARIANT*>(&def->varDefaultValue), 0, VT_I4),
          S_OK);
      EXPECT_EQ(V_I4(value.get()), 0);
    } else {
      const UINT p = (i - 1) / 2;
      const bool get = (i - 1) % 2 == 0;
      EXPECT_EQ(name_of(vtable_.get(), fd->memid), properties[p]) << i;
      EXPECT_EQ(fd->memid, static_cast<MEMBERID>(0x68030016 - p)) << properties[p];
      EXPECT_EQ(fd->invkind, get ? INVOKE_PROPERTYGET : INVOKE_PROPERTYPUT) << properties[p];
      ASSERT_EQ(fd->cParams, 1) << properties[p];
      const ELEMDESC& e = fd->lprgelemdescParam[0];
      const TYPEDESC& t = get ? *e.tdesc.lptdesc : e.tdesc;
      EXPECT_EQ(e.paramdesc.wParamFlags, get ? PARAMFLAG_FOUT | PARAMFLAG_FRETVAL : PARAMFLAG_FIN)
          << properties[p];
      EXPECT_EQ(t.vt, types[p]) << properties[p];
    }
    vtable_->ReleaseFuncDesc(fd);
  }
}

}  // namespace
}  // namespace quillon::housing::test
