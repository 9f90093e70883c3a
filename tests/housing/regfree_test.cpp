// Registration-free use, in a Wine prefix of its own where nothing is registered (made again on
// each run): the application manifest that the build puts beside Quillon.dll, activated by the
// host, brings in the assembly manifest inside the DLL. Without it nothing is found.
#include <thread>

#include "com_support.h"

namespace quillon::housing::test {
namespace {

// The activation context of Quillon.app.manifest, active on the calling thread while it lives.
class ActivationContext {
 public:
  ActivationContext() {
    ACTCTXW ctx{};
    ctx.cbSize = sizeof ctx;
    ctx.lpSource = QUILLON_APP_MANIFEST;
    context_ = CreateActCtxW(&ctx);
    if (context_ != INVALID_HANDLE_VALUE) ActivateActCtx(context_, &cookie_);
  }
  ~ActivationContext() {
    if (cookie_) DeactivateActCtx(0, cookie_);
    if (context_ != INVALID_HANDLE_VALUE) ReleaseActCtx(context_);
  }
  ActivationContext(const ActivationContext&) = delete;
  ActivationContext& operator=(const ActivationContext&) = delete;
  bool active() const { return cookie_ != 0; }

 private:
  HANDLE context_ = INVALID_HANDLE_VALUE;
  ULONG_PTR cookie_ = 0;
};

enum class By { ProgId, ClassId };

HRESULT create(By by, ComPtr<IDispatch>& out) {
  CLSID clsid = CLSID_Quillon;
  const HRESULT hr = by == By::ProgId ? CLSIDFromProgID(L"QuillonLib.Quillon", &clsid) : S_OK;
  if (FAILED(hr)) return hr;
  return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, out.put_void());
}

// Created by ProgID and by class id only in the context; late bound by name it is what the
// registered one is. (examples/ runs the late-bound example this way, with a countdown box.)
TEST(RegistrationFreeTest, CreatedOnlyInTheContext) {
  Apartment apartment;
  const struct {
    By by;
    HRESULT without_context;
  } cases[] = {{By::ProgId, CO_E_CLASSSTRING}, {By::ClassId, REGDB_E_CLASSNOTREG}};
  for (const auto& c : cases) {
    ComPtr<IDispatch> d;
    EXPECT_EQ(create(c.by, d), c.without_context);
    const ActivationContext context;
    ASSERT_TRUE(context.active());
    ASSERT_EQ(create(c.by, d), S_OK);
    EXPECT_EQ(id_of(d.get(), L"HideButtons"), 0x68030000);
  }
}

// The type library by its id, as tools that bind late look it up, and the dual interface from a
// thread of the multithreaded apartment, which gets the object through the automation marshaler.
TEST(RegistrationFreeTest, TypeLibraryAndInterfaceFromTheManifest) {
  Apartment apartment;
  ComPtr<ITypeLib> lib;
  EXPECT_EQ(LoadRegTypeLib(LIBID_QuillonLib, 1, 0, LOCALE_NEUTRAL, lib.put()),
            TYPE_E_LIBNOTREGISTERED);
  {
    const ActivationContext context;
    EXPECT_EQ(LoadRegTypeLib(LIBID_QuillonLib, 1, 0, LOCALE_NEUTRAL, lib.put()), S_OK);
  }
  std::thread([] {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    {
      const ActivationContext context;
      ComPtr<_Quillon> q;
      ASSERT_EQ(CoCreateInstance(CLSID_Quillon, nullptr, CLSCTX_INPROC_SERVER, IID__Quillon,
                                 q.put_void()),
                S_OK);
      short seconds = 0;
      EXPECT_EQ(q->put_TimerSeconds(5), S_OK);
      EXPECT_EQ(q->get_TimerSeconds(&seconds), S_OK);
      EXPECT_EQ(seconds, 5);
    }
    CoUninitialize();
  }).join();
}

}  // namespace
}  // namespace quillon::housing::test
