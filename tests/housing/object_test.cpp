// The object through a C++ client: creation, early- and late-bound calls agreeing, argument
// handling for what scripts send, bad input through IDispatch, error objects, apartments.
#include <functional>
#include <optional>
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
  DISPID id(const wchar_t* member) { return id_of(q_.get(), member); }
  // A property through IDispatch, as a Long (Booleans as their raw 16 bits).
  long get(const wchar_t* member) {
    Call c;
    invoke(q_.get(), id(member), DISPATCH_PROPERTYGET, {}, c);
    EXPECT_EQ(c.hr, S_OK) << hex(c.hr);
    return V_VT(&c.result) == VT_BOOL ? V_BOOL(&c.result)
           : V_VT(&c.result) == VT_I2 ? V_I2(&c.result)
                                      : V_I4(&c.result);
  }
  Apartment apartment_;
  ComPtr<_Quillon> q_;
};

// Creation by ProgID and through the registry, and the interfaces a new object answers for:
// module_test.cpp and the lifetime host; an unknown name: the script clients.
TEST_F(ObjectTest, LateBoundNamesGiveTheFixedIds) {
  // Any case; the method's parameter names after it.
  LPOLESTR names[] = {const_cast<LPOLESTR>(L"msgbox"), const_cast<LPOLESTR>(L"Title"),
                      const_cast<LPOLESTR>(L"Buttons"), const_cast<LPOLESTR>(L"Message")};
  DISPID ids[4] = {};
  ASSERT_EQ(q_->GetIDsOfNames(IID_NULL, names, 4, LOCALE_USER_DEFAULT, ids), S_OK);
  EXPECT_EQ(std::vector<DISPID>(ids, ids + 4), (std::vector<DISPID>{0x60030018, 2, 1, 0}));
}

// Values as scripts send them (signed colours as small or large numbers, numbers for Booleans)
// and bad ones, each written through IDispatch, then read back through IDispatch (the vtable's
// getters are used everywhere else; colours read as signed Longs: the script clients). A refused
// value leaves the one before.
TEST_F(ObjectTest, PropertyWritesAsScriptsSendThemAndBadOnes) {
  constexpr WORD kPut = DISPATCH_PROPERTYPUT, kGet = DISPATCH_PROPERTYGET;
  constexpr HRESULT kMismatch = DISP_E_TYPEMISMATCH, kOverflow = DISP_E_OVERFLOW;
  constexpr long kButtonFace = LONG(0x8000000F);
  const struct {
    const char* what;
    const wchar_t* member;
    WORD flags;
    std::vector<VARIANT> args;
    HRESULT hr;
    std::optional<long> then = {};  // the member's value afterwards
  } rows[] = {
      {"colour -1 as a 16-bit integer", L"BackColorBody", kPut, {var_i2(-1)}, S_OK, kButtonFace},
      {"colour 255 as a string", L"BackColorBody", kPut, {var_bstr(L"255")}, S_OK, 255},
      {"string for a colour", L"BackColorBody", kPut, {var_bstr(L"red")}, kMismatch, 255},
      {"colour beyond 32 bits", L"BackColorBody", kPut, {var_r8(1e12)}, kOverflow, 255},
      {"Boolean 2 as a Long kept", L"Modal", kPut, {var_i4(2)}, S_OK, 2},
      {"Boolean 0.5 is True", L"SoundBeep", kPut, {var_r8(0.5)}, S_OK, -1},
      {"string for a Boolean", L"SoundBeep", kPut, {var_bstr(L"no")}, kMismatch, -1},
      {"Integer from a double", L"TimerSeconds", kPut, {var_r8(2.5)}, S_OK, 2},
      {"Integer overflow", L"TimerSeconds", kPut, {var_i4(40000)}, kOverflow, 2},
      {"getter with an argument", L"Top", kGet, {var_i4(1)}, DISP_E_BADPARAMCOUNT, 0},
      {"setter with two values", L"Top", kPut, {var_i4(1), var_i4(2)}, DISP_E_BADPARAMCOUNT, 0},
      {"unknown member id", L"NoSuchMember", kGet, {}, DISP_E_MEMBERNOTFOUND},
      {"null BSTR title", L"DefaultTitle", kPut, {var_bstr(nullptr)}, S_OK},
  };
  for (const auto& r : rows) {
    Call c;
    invoke(q_.get(), id(r.member), r.flags, r.args, c);
    EXPECT_EQ(c.hr, r.hr) << r.what << " " << hex(c.hr);
    // A value that did not convert is named: the write's only argument.
    if (c.hr == kMismatch || c.hr == kOverflow) {
      EXPECT_EQ(c.arg_err, 0u) << r.what;
    }
    if (r.then) {
      EXPECT_EQ(get(r.member), *r.then) << r.what;
    }
  }
}

TEST_F(ObjectTest, MsgBoxArgumentForms) {
  ASSERT_EQ(q_->put_Modal(VARIANT_FALSE), S_OK);
  ASSERT_EQ(q_->put_SoundBeep(VARIANT_FALSE), S_OK);
  VARIANT omitted{}, nothing{};  // nothing: an object argument with no object
  V_VT(&omitted) = VT_ERROR;
  V_ERROR(&omitted) = DISP_E_PARAMNOTFOUND;
  V_VT(&nothing) = VT_DISPATCH;
  constexpr UINT kNone = Call::kNoArgErr;
  const struct {
    const char* what;
    std::vector<VARIANT> args;
    std::vector<DISPID> named;
    HRESULT hr;
    UINT arg_err = kNone;  // index in rgvarg (last argument first) of the argument named bad
  } rows[] = {
      {"null message", {var_bstr(nullptr)}, {}, S_OK},
      {"title by name", {var_bstr(L"T"), var_bstr(L"Hi")}, {2}, S_OK},
      {"message omitted", {omitted}, {}, DISP_E_PARAMNOTOPTIONAL},

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

// Null pointers wherever COM allows checking them, and wrong interface ids or indexes: an error,
// never a crash.
TEST_F(ObjectTest, BadCallsAreRefused) {
  _Quillon* const q = q_.get();
  const DISPID top = id(L"Top");
  LPOLESTR name = const_cast<LPOLESTR>(L"Top");
  LPOLESTR null_name = nullptr;
  DISPID id = 0;
  VARIANT arg = var_i4(1);
  DISPID put_id = DISPID_PROPERTYPUT;
  DISPPARAMS one{&arg, &put_id, 1, 1};
  DISPPARAMS no_values{nullptr, nullptr, 1, 0};
  DISPPARAMS no_names{&arg, nullptr, 1, 1};
  DISPPARAMS more_names{&arg, &put_id, 1, 2};
  ComPtr<ITypeInfo> ti;
  const auto put_with = [q, top](DISPPARAMS* p, const IID& iid = IID_NULL) {
    return [q, top, p, &iid] {
      return q->Invoke(top, iid, 0, DISPATCH_PROPERTYPUT, p, nullptr, nullptr, nullptr);
    };
  };
  const struct {
    const char* what;
    std::function<HRESULT()> call;
    HRESULT hr;
  } rows[] = {
      {"GetTypeInfo beyond the first", [q, &ti] { return q->GetTypeInfo(1, 0, ti.put()); },
       DISP_E_BADINDEX},
      {"Invoke for another interface", put_with(&one, IID_IDispatch), DISP_E_UNKNOWNINTERFACE},
      {"GetIDsOfNames without names",
       [&] { return q->GetIDsOfNames(IID_NULL, nullptr, 1, 0, &id); }, E_INVALIDARG},
      {"GetIDsOfNames with a null name",
       [&] { return q->GetIDsOfNames(IID_NULL, &null_name, 1, 0, &id); }, E_INVALIDARG},
      {"GetIDsOfNames without ids",
       [&] { return q->GetIDsOfNames(IID_NULL, &name, 1, 0, nullptr); }, E_POINTER},
      {"GetTypeInfoCount", [q] { return q->GetTypeInfoCount(nullptr); }, E_POINTER},
      {"GetTypeInfo", [q] { return q->GetTypeInfo(0, 0, nullptr); }, E_POINTER},
      {"QueryInterface", [q] { return q->QueryInterface(IID_IUnknown, nullptr); }, E_POINTER},
      {"Invoke without parameters", put_with(nullptr), E_INVALIDARG},
      {"Invoke with a count and no values", put_with(&no_values), E_INVALIDARG},
      {"Invoke with named arguments and no ids", put_with(&no_names), E_INVALIDARG},
      {"Invoke with more names than values", put_with(&more_names), E_INVALIDARG},
      {"a getter's out pointer", [q] { return q->get_Top(nullptr); }, E_POINTER},
      {"DefaultTitle's out pointer", [q] { return q->get_DefaultTitle(nullptr); }, E_POINTER},
      {"MsgBox's result pointer", [q] { return q->MsgBox(nullptr, 0, nullptr, nullptr); },
       E_POINTER},
  };
  for (const auto& r : rows) EXPECT_EQ(r.call(), r.hr) << r.what;
}

// An early-bound client reads the error object (its source and text: the script clients) where
// the interface says it sets one.
TEST_F(ObjectTest, SupportsErrorInfoOnItsInterface) {
  ComPtr<ISupportErrorInfo> sei;
  ASSERT_EQ(q_.query(IID_ISupportErrorInfo, sei), S_OK);
  EXPECT_EQ(sei->InterfaceSupportsErrorInfo(IID__Quillon), S_OK);
}

// Apartment threading: a call from another thread is marshalled onto the creating thread, so it
// acts on that thread's shared settings, not on those of the calling thread.
TEST_F(ObjectTest, CallsFromAnotherThreadRunOnTheCreatingThread) {
  ComPtr<IStream> stream;
  ASSERT_EQ(CoMarshalInterThreadInterfaceInStream(IID__Quillon, q_.get(), stream.put()), S_OK);
  HRESULT put = E_FAIL, get = E_FAIL;
  short seen = 0, own = -1;
  HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::thread other([&] {
    Apartment apartment;
    ComPtr<_Quillon> proxy, mine = make_direct();
    mine->put_TimerSeconds(3);
    if (SUCCEEDED(
            CoGetInterfaceAndReleaseStream(stream.detach(), IID__Quillon, proxy.put_void()))) {
      put = proxy->put_TimerSeconds(12);
      get = proxy->get_TimerSeconds(&seen);
      mine->get_TimerSeconds(&own);
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
  EXPECT_EQ(put, S_OK) << hex(put);
  EXPECT_EQ(get, S_OK) << hex(get);
  EXPECT_EQ(seen, 12);
  EXPECT_EQ(own, 3) << "the calling thread's own settings are untouched";
  short here = 0;
  EXPECT_EQ(q_->get_TimerSeconds(&here), S_OK);  // this thread's shared settings changed
  EXPECT_EQ(here, 12);
}

}  // namespace
}  // namespace quillon::housing::test
