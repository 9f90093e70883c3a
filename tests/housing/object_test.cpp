// The object through a C++ client: creation, early- and late-bound calls agreeing, argument
// handling for what scripts send, bad input through IDispatch, error objects, threads.
#include <functional>
#include <thread>

#include "com_support.h"

namespace quillon::housing::test {
namespace {

class ObjectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    q_ = make_direct();
    ASSERT_TRUE(q_);
  }
  // Members are named; the names-to-ids rule is checked once, in LateBoundNamesGiveTheFixedIds.
  DISPID id(const wchar_t* member) { return id_of(q_.get(), member); }
  VARIANT get(const wchar_t* member) {
    Call c;
    invoke(q_.get(), id(member), DISPATCH_PROPERTYGET, {}, c);
    EXPECT_EQ(c.hr, S_OK) << hex(c.hr);
    VARIANT v = c.result;
    VariantInit(&c.result);
    return v;
  }
  Apartment apartment_;
  ComPtr<_Quillon> q_;
};

TEST_F(ObjectTest, CreatedByProgIdAndByClassId) {
  CLSID clsid{};
  ASSERT_EQ(CLSIDFromProgID(L"QuillonLib.Quillon", &clsid), S_OK);
  EXPECT_EQ(clsid, CLSID_Quillon);
  for (const CLSID& c : {clsid, CLSID_Quillon}) {
    ComPtr<IDispatch> d;
    ASSERT_EQ(CoCreateInstance(c, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, d.put_void()),
              S_OK);
    ComPtr<_Quillon> dual;
    EXPECT_EQ(d.query(IID__Quillon, dual), S_OK);
    ComPtr<ISupportErrorInfo> sei;
    ASSERT_EQ(d.query(IID_ISupportErrorInfo, sei), S_OK);
    EXPECT_EQ(sei->InterfaceSupportsErrorInfo(IID__Quillon), S_OK);
    ComPtr<IUnknown> none;
    EXPECT_EQ(d.query(IID_IClassFactory, none), E_NOINTERFACE);
    VARIANT_BOOL keep = 0;
    EXPECT_EQ(dual->get_KeepOnTop(&keep), S_OK);
    EXPECT_EQ(keep, VARIANT_TRUE);
  }
}

TEST_F(ObjectTest, LateBoundNamesGiveTheFixedIds) {
  const struct {
    const wchar_t* name;
    DISPID id;
  } rows[] = {{L"MsgBox", 0x60030018},       {L"BackColorBody", 0x68030016},
              {L"HideButtons", 0x68030000},  {L"msgbox", 0x60030018},
              {L"TIMERSECONDS", 0x68030009}, {L"NoSuchMember", DISPID_UNKNOWN}};
  for (const auto& r : rows) EXPECT_EQ(id_of(q_.get(), r.name), r.id) << hex(r.id);

  LPOLESTR names[] = {const_cast<LPOLESTR>(L"MsgBox"), const_cast<LPOLESTR>(L"Title"),
                      const_cast<LPOLESTR>(L"Message")};
  DISPID ids[3] = {};
  ASSERT_EQ(q_->GetIDsOfNames(IID_NULL, names, 3, LOCALE_USER_DEFAULT, ids), S_OK);
  EXPECT_EQ(ids[1], 2);
  EXPECT_EQ(ids[2], 0);
  LPOLESTR unknown = const_cast<LPOLESTR>(L"Colour");
  DISPID id = 0;
  EXPECT_EQ(q_->GetIDsOfNames(IID_NULL, &unknown, 1, LOCALE_USER_DEFAULT, &id), DISP_E_UNKNOWNNAME);
}

TEST_F(ObjectTest, EarlyAndLateBoundCallsAgree) {
  // Set through the vtable, read through IDispatch, and the other way round.
  ASSERT_EQ(q_->put_GradientDirection(GradientCircleCenterFadeOut), S_OK);
  VARIANT v = get(L"GradientDirection");
  EXPECT_EQ(V_VT(&v), VT_I4);
  EXPECT_EQ(V_I4(&v), 8);
  ASSERT_EQ(q_->put_Top(-5), S_OK);
  v = get(L"Top");
  EXPECT_EQ(V_I4(&v), 0);

  Call c;
  invoke(q_.get(), id(L"ForeColorHeading"), DISPATCH_PROPERTYPUT, {var_i4(0x00FF00)}, c);
  ASSERT_EQ(c.hr, S_OK);
  OLE_COLOR colour = 0;
  EXPECT_EQ(q_->get_ForeColorHeading(&colour), S_OK);
  EXPECT_EQ(colour, 0x00FF00u);
  Call t;
  invoke(q_.get(), id(L"DefaultTitle"), DISPATCH_PROPERTYPUT, {var_bstr(L"Late")}, t);
  UniqueBstr title;
  EXPECT_EQ(q_->get_DefaultTitle(title.put()), S_OK);
  EXPECT_EQ(title.str(), L"Late");
  short result = -1;
  ASSERT_EQ(q_->put_Modal(VARIANT_FALSE), S_OK);
  ASSERT_EQ(q_->put_SoundBeep(VARIANT_FALSE), S_OK);
  EXPECT_EQ(q_->MsgBox(nullptr, 0, nullptr, &result), S_OK);
  EXPECT_EQ(result, 0);
}

// What scripts send: signed colours, numbers for Booleans, omitted MsgBox arguments.
TEST_F(ObjectTest, ArgumentsAsScriptsSendThem) {
  const struct {
    const char* what;
    const wchar_t* member;
    VARIANT arg;
    VARTYPE vt;
    long want;
  } rows[] = {
      {"colour -1 as a 16-bit integer", L"BackColorBody", var_i2(-1), VT_I4, LONG(0x8000000F)},
      {"colour -2 as a 16-bit integer", L"BackColorButtons", var_i2(-2), VT_I4, -2},
      {"colour 0xFFFFFFFE as a double", L"BackColorHeading", var_r8(4294967294.0), VT_I4, -2},
      {"colour 255 as a string", L"ForeColorBody", var_bstr(L"255"), VT_I4, 255},
      {"Boolean 1 kept", L"Moveable", var_i2(1), VT_BOOL, 1},
      {"Boolean 2 as a Long kept", L"Modal", var_i4(2), VT_BOOL, 2},
      {"Boolean True", L"HideButtons", var_bool(VARIANT_TRUE), VT_BOOL, -1},
      {"Boolean 0.5 is True", L"SoundBeep", var_r8(0.5), VT_BOOL, -1},
      {"Boolean 100000 is True", L"ControlBox", var_i4(100000), VT_BOOL, -1},
      {"Integer from a double", L"TimerSeconds", var_r8(2.5), VT_I2, 2},
  };
  for (const auto& r : rows) {
    Call c;
    invoke(q_.get(), id(r.member), DISPATCH_PROPERTYPUT, {r.arg}, c);
    EXPECT_EQ(c.hr, S_OK) << r.what << " " << hex(c.hr);
    VARIANT v = get(r.member);
    EXPECT_EQ(V_VT(&v), r.vt) << r.what;
    const long got = V_VT(&v) == VT_BOOL ? V_BOOL(&v) : V_VT(&v) == VT_I2 ? V_I2(&v) : V_I4(&v);
    EXPECT_EQ(got, r.want) << r.what;
  }
}

TEST_F(ObjectTest, MsgBoxArgumentForms) {
  ASSERT_EQ(q_->put_Modal(VARIANT_FALSE), S_OK);
  ASSERT_EQ(q_->put_SoundBeep(VARIANT_FALSE), S_OK);
  VARIANT omitted;
  VariantInit(&omitted);
  V_VT(&omitted) = VT_ERROR;
  V_ERROR(&omitted) = DISP_E_PARAMNOTFOUND;
  VARIANT nothing;  // an object argument with no object
  VariantInit(&nothing);
  V_VT(&nothing) = VT_DISPATCH;
  constexpr UINT kNone = Call::kNoArgErr;
  const struct {
    const char* what;
    std::vector<VARIANT> args;
    std::vector<DISPID> named;
    HRESULT hr;
    UINT arg_err = kNone;  // index in rgvarg (last argument first) of the argument named bad
  } rows[] = {
      {"message only", {var_bstr(L"Hi")}, {}, S_OK},
      {"null message", {var_bstr(nullptr)}, {}, S_OK},
      {"flags, no title", {var_bstr(L"Hi"), var_i2(64)}, {}, S_OK},
      {"flags omitted, title given", {var_bstr(L"Hi"), omitted, var_bstr(L"T")}, {}, S_OK},
      {"title omitted explicitly", {var_bstr(L"Hi"), var_i2(1), omitted}, {}, S_OK},
      {"title by name", {var_bstr(L"T"), var_bstr(L"Hi")}, {2}, S_OK},
      {"no arguments", {}, {}, DISP_E_PARAMNOTOPTIONAL},
      {"message omitted", {omitted}, {}, DISP_E_PARAMNOTOPTIONAL},
      {"four arguments",
       {var_bstr(L"a"), var_i2(0), var_bstr(L"b"), var_i2(0)},
       {},
       DISP_E_BADPARAMCOUNT},
      {"flags not a number", {var_bstr(L"a"), var_bstr(L"many")}, {}, DISP_E_TYPEMISMATCH, 0},
      {"flags beyond 16 bits", {var_bstr(L"a"), var_i4(70000)}, {}, DISP_E_OVERFLOW, 0},
      {"message not text", {nothing, var_i2(0), var_bstr(L"T")}, {}, DISP_E_TYPEMISMATCH, 2},
      {"title by name not text", {var_bstr(L"Hi"), nothing}, {2}, DISP_E_TYPEMISMATCH, 0},
      {"unknown parameter id", {var_bstr(L"a")}, {7}, DISP_E_PARAMNOTFOUND, 0},
  };
  for (const auto& r : rows) {
    Call c;
    invoke(q_.get(), id(L"MsgBox"), DISPATCH_METHOD | DISPATCH_PROPERTYGET, r.args, c, r.named);
    EXPECT_EQ(c.hr, r.hr) << r.what << " " << hex(c.hr);
    if (r.arg_err != kNone) {
      EXPECT_EQ(c.arg_err, r.arg_err) << r.what;
    }
    if (r.hr == S_OK) {
      EXPECT_EQ(V_VT(&c.result), VT_I2) << r.what;
      EXPECT_EQ(V_I2(&c.result), 0) << r.what;
    }
  }
}

TEST_F(ObjectTest, BadInputThroughIDispatchGetsTheDocumentedError) {
  const struct {
    const char* what;
    const wchar_t* member;
    WORD flags;
    std::vector<VARIANT> args;
    HRESULT hr;
  } rows[] = {
      {"string for a Boolean",
       L"GradientPaint",
       DISPATCH_PROPERTYPUT,
       {var_bstr(L"maybe")},
       DISP_E_TYPEMISMATCH},
      {"string for a Long", L"Top", DISPATCH_PROPERTYPUT, {var_bstr(L"abc")}, DISP_E_TYPEMISMATCH},
      {"string for a colour",
       L"BackColorBody",
       DISPATCH_PROPERTYPUT,
       {var_bstr(L"red")},
       DISP_E_TYPEMISMATCH},
      {"colour beyond 32 bits",
       L"BackColorBody",
       DISPATCH_PROPERTYPUT,
       {var_r8(1e12)},
       DISP_E_OVERFLOW},
      {"getter with an argument", L"Top", DISPATCH_PROPERTYGET, {var_i4(1)}, DISP_E_BADPARAMCOUNT},
      {"setter with two values",
       L"Top",
       DISPATCH_PROPERTYPUT,
       {var_i4(1), var_i4(2)},
       DISP_E_BADPARAMCOUNT},
      {"unknown member id", L"NoSuchMember", DISPATCH_PROPERTYGET, {}, DISP_E_MEMBERNOTFOUND},
      {"unknown member id put",
       L"NoSuchMember",
       DISPATCH_PROPERTYPUT,
       {var_i4(1)},
       DISP_E_MEMBERNOTFOUND},
      {"enumeration overflow",
       L"GradientDirection",
       DISPATCH_PROPERTYPUT,
       {var_i4(100000)},
       DISP_E_EXCEPTION},
      {"Integer overflow", L"TimerSeconds", DISPATCH_PROPERTYPUT, {var_i4(40000)}, DISP_E_OVERFLOW},
      {"null BSTR title", L"DefaultTitle", DISPATCH_PROPERTYPUT, {var_bstr(nullptr)}, S_OK},
  };
  for (const auto& r : rows) {
    Call c;
    invoke(q_.get(), id(r.member), r.flags, r.args, c);
    EXPECT_EQ(c.hr, r.hr) << r.what << " " << hex(c.hr);
    // A value that did not convert is named: the write's only argument.
    if (c.hr == DISP_E_TYPEMISMATCH || c.hr == DISP_E_OVERFLOW) {
      EXPECT_EQ(c.arg_err, 0u) << r.what;
    }
    if (c.hr == DISP_E_EXCEPTION) {
      EXPECT_EQ(c.excep.scode, static_cast<SCODE>(0x800A0006)) << r.what;
      EXPECT_GT(SysStringLen(c.excep.bstrDescription), 0u) << r.what;
    }
  }
  // Nothing changed on the way.
  const struct {
    const wchar_t* member;
    long want;
  } unchanged[] = {{L"Top", 0},
                   {L"BackColorBody", LONG(0x8000000F)},
                   {L"GradientDirection", 1},
                   {L"TimerSeconds", 0}};
  for (const auto& u : unchanged) {
    VARIANT v = get(u.member);
    VariantChangeType(&v, &v, 0, VT_I4);
    EXPECT_EQ(V_I4(&v), u.want) << testing::PrintToString(std::wstring(u.member));
  }
  VARIANT t = get(L"DefaultTitle");
  EXPECT_EQ(V_VT(&t), VT_BSTR);
  EXPECT_EQ(SysStringLen(V_BSTR(&t)), 0u);
  VariantClear(&t);

  DISPPARAMS none{};
  EXPECT_EQ(q_->Invoke(id(L"Top"), IID_IDispatch, 0, DISPATCH_PROPERTYGET, &none, nullptr, nullptr,
                       nullptr),
            DISP_E_UNKNOWNINTERFACE);
  EXPECT_EQ(
      q_->Invoke(id(L"Top"), IID_NULL, 0, DISPATCH_PROPERTYGET, nullptr, nullptr, nullptr, nullptr),
      E_INVALIDARG);
  ComPtr<ITypeInfo> ti;
  EXPECT_EQ(q_->GetTypeInfo(1, 0, ti.put()), DISP_E_BADINDEX);
}

// Null pointers wherever COM allows checking them: an error, never a crash.
TEST_F(ObjectTest, NullPointersAreRefused) {
  const DISPID top = id(L"Top");
  LPOLESTR name = const_cast<LPOLESTR>(L"Top");
  LPOLESTR null_name = nullptr;
  DISPID id = 0;
  VARIANT arg = var_i4(1);
  DISPID put_id = DISPID_PROPERTYPUT;
  DISPPARAMS no_values{nullptr, nullptr, 1, 0};
  DISPPARAMS no_names{&arg, nullptr, 1, 1};
  DISPPARAMS more_names{&arg, &put_id, 1, 2};
  const struct {
    const char* what;
    std::function<HRESULT(_Quillon*)> call;
    HRESULT hr;
  } rows[] = {
      {"GetIDsOfNames without names",
       [&](_Quillon* q) { return q->GetIDsOfNames(IID_NULL, nullptr, 1, 0, &id); }, E_INVALIDARG},
      {"GetIDsOfNames with a null name",
       [&](_Quillon* q) { return q->GetIDsOfNames(IID_NULL, &null_name, 1, 0, &id); },
       E_INVALIDARG},
      {"GetIDsOfNames without ids",
       [&](_Quillon* q) { return q->GetIDsOfNames(IID_NULL, &name, 1, 0, nullptr); }, E_POINTER},
      {"GetTypeInfoCount", [](_Quillon* q) { return q->GetTypeInfoCount(nullptr); }, E_POINTER},
      {"GetTypeInfo", [](_Quillon* q) { return q->GetTypeInfo(0, 0, nullptr); }, E_POINTER},
      {"QueryInterface", [](_Quillon* q) { return q->QueryInterface(IID_IUnknown, nullptr); },
       E_POINTER},
      {"Invoke without parameters",
       [&](_Quillon* q) {
         return q->Invoke(top, IID_NULL, 0, DISPATCH_PROPERTYGET, nullptr, nullptr, nullptr,
                          nullptr);
       },
       E_INVALIDARG},
      {"Invoke with a count and no values",
       [&](_Quillon* q) {
         return q->Invoke(top, IID_NULL, 0, DISPATCH_PROPERTYPUT, &no_values, nullptr, nullptr,
                          nullptr);
       },
       E_INVALIDARG},
      {"Invoke with named arguments and no ids",
       [&](_Quillon* q) {
         return q->Invoke(top, IID_NULL, 0, DISPATCH_PROPERTYPUT, &no_names, nullptr, nullptr,
                          nullptr);
       },
       E_INVALIDARG},
      {"Invoke with more names than values",
       [&](_Quillon* q) {
         return q->Invoke(top, IID_NULL, 0, DISPATCH_PROPERTYPUT, &more_names, nullptr, nullptr,
                          nullptr);
       },
       E_INVALIDARG},
      {"a getter's out pointer", [](_Quillon* q) { return q->get_Top(nullptr); }, E_POINTER},
      {"DefaultTitle's out pointer", [](_Quillon* q) { return q->get_DefaultTitle(nullptr); },
       E_POINTER},
      {"MsgBox's result pointer",
       [](_Quillon* q) { return q->MsgBox(nullptr, 0, nullptr, nullptr); }, E_POINTER},
  };
  for (const auto& r : rows) EXPECT_EQ(r.call(q_.get()), r.hr) << r.what;
}

TEST_F(ObjectTest, OverflowThroughTheVtableSetsAnErrorObject) {
  const struct {
    const char* what;
    HRESULT (*set)(_Quillon*);
  } rows[] = {
      {"GradientDirection",
       [](_Quillon* q) { return q->put_GradientDirection(GradientType(100000)); }},
      {"HeadingType", [](_Quillon* q) { return q->put_HeadingType(TypeOfHeading(-40000)); }},
      {"TextAlignment", [](_Quillon* q) { return q->put_TextAlignment(32768); }},
      {"StartUpPosition", [](_Quillon* q) { return q->put_StartUpPosition(StartPosition(40000)); }},
  };
  for (const auto& r : rows) {
    SetErrorInfo(0, nullptr);
    EXPECT_EQ(r.set(q_.get()), static_cast<HRESULT>(0x800A0006)) << r.what;
    ComPtr<IErrorInfo> info;
    ASSERT_EQ(GetErrorInfo(0, info.put()), S_OK) << r.what;
    UniqueBstr source, text;
    info->GetSource(source.put());
    info->GetDescription(text.put());
    EXPECT_EQ(source.str(), L"QuillonLib.Quillon") << r.what;
    EXPECT_FALSE(text.str().empty()) << r.what;
  }
  long alignment = -1;
  EXPECT_EQ(q_->get_TextAlignment(&alignment), S_OK);
  EXPECT_EQ(alignment, 0);
}

// Each thread has its own shared settings.
TEST_F(ObjectTest, ObjectsOnTwoThreadsDoNotShareSettings) {
  ASSERT_EQ(q_->put_BackColorBody(255), S_OK);
  ASSERT_EQ(q_->put_KeepOnTop(VARIANT_FALSE), S_OK);
  ASSERT_EQ(q_->put_TimerSeconds(9), S_OK);
  OLE_COLOR other_body = 0;
  VARIANT_BOOL other_keep = 0;
  std::thread([&] {
    Apartment apartment;
    ComPtr<_Quillon> other = make_direct();
    ASSERT_TRUE(other);
    other->get_BackColorBody(&other_body);
    other->get_KeepOnTop(&other_keep);
    other->put_TimerSeconds(3);
    other->put_GradientDirection(GradientRightToLeft);
  }).join();
  EXPECT_EQ(other_body, 0x8000000Fu);
  EXPECT_EQ(other_keep, VARIANT_TRUE);
  OLE_COLOR body = 0;
  short seconds = 0;
  GradientType direction{};
  q_->get_BackColorBody(&body);
  q_->get_TimerSeconds(&seconds);
  q_->get_GradientDirection(&direction);
  EXPECT_EQ(body, 255u);
  EXPECT_EQ(seconds, 9);
  EXPECT_EQ(direction, GradientTopToBottom);
}

// Apartment threading: a call from another thread is marshalled onto the creating thread, so it
// acts on that thread's shared settings.
TEST_F(ObjectTest, CallsFromAnotherThreadRunOnTheCreatingThread) {
  ComPtr<_Quillon> created;
  ASSERT_EQ(CoCreateInstance(CLSID_Quillon, nullptr, CLSCTX_INPROC_SERVER, IID__Quillon,
                             created.put_void()),
            S_OK);
  ComPtr<IStream> stream;
  ASSERT_EQ(CoMarshalInterThreadInterfaceInStream(IID__Quillon, created.get(), stream.put()), S_OK);
  HRESULT put = E_FAIL, get = E_FAIL;
  short seen = 0;
  DWORD caller = 0, callee = 0;
  HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::thread other([&] {
    Apartment apartment;
    ComPtr<_Quillon> proxy;
    if (SUCCEEDED(
            CoGetInterfaceAndReleaseStream(stream.detach(), IID__Quillon, proxy.put_void()))) {
      caller = GetCurrentThreadId();
      put = proxy->put_TimerSeconds(12);
      get = proxy->get_TimerSeconds(&seen);
    }
    proxy.reset();
    SetEvent(done);
  });
  // Serve the calls while waiting.
  while (MsgWaitForMultipleObjects(1, &done, FALSE, 10000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }
  other.join();
  CloseHandle(done);
  callee = GetCurrentThreadId();
  EXPECT_EQ(put, S_OK) << hex(put);
  EXPECT_EQ(get, S_OK) << hex(get);
  EXPECT_EQ(seen, 12);
  EXPECT_NE(caller, callee);
  short here = 0;
  EXPECT_EQ(q_->get_TimerSeconds(&here), S_OK);  // this thread's shared settings changed
  EXPECT_EQ(here, 12);
}

}  // namespace
}  // namespace quillon::housing::test
