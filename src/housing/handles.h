// Owners for the platform handles of the housing: COM references, BSTRs, VARIANTs, registry keys.
// Small and in the spirit of WIL's com_ptr / unique_bstr / unique_variant / unique_hkey.
#pragma once

// clang-format off
#include <windows.h>  // first: the other platform headers need it
#include <oleauto.h>
// clang-format on

#include <string>
#include <utility>

namespace quillon::housing {

// One counted reference to a COM object.
template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  explicit ComPtr(T* p, bool add_ref = true) : p_(p) {
    if (p_ && add_ref) p_->AddRef();
  }
  ComPtr(const ComPtr& o) : ComPtr(o.p_) {}
  ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  ComPtr& operator=(ComPtr o) noexcept {
    std::swap(p_, o.p_);
    return *this;
  }
  ~ComPtr() { reset(); }

  void reset() {
    if (p_) std::exchange(p_, nullptr)->Release();
  }
  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  T** put() {
    reset();
    return &p_;
  }
  void** put_void() { return reinterpret_cast<void**>(put()); }
  T* detach() { return std::exchange(p_, nullptr); }

  // QueryInterface into another owner.
  template <class U>
  HRESULT query(REFIID iid, ComPtr<U>& out) const {
    return p_ ? p_->QueryInterface(iid, out.put_void()) : E_POINTER;
  }

 private:
  T* p_ = nullptr;
};

// One BSTR.
class UniqueBstr {
 public:
  UniqueBstr() = default;
  explicit UniqueBstr(const wchar_t* s) : b_(SysAllocString(s)) {}
  explicit UniqueBstr(const std::wstring& s)
      : b_(SysAllocStringLen(s.data(), static_cast<UINT>(s.size()))) {}
  UniqueBstr(UniqueBstr&& o) noexcept : b_(std::exchange(o.b_, nullptr)) {}
  UniqueBstr& operator=(UniqueBstr&& o) noexcept {
    reset(std::exchange(o.b_, nullptr));
    return *this;
  }
  UniqueBstr(const UniqueBstr&) = delete;
  UniqueBstr& operator=(const UniqueBstr&) = delete;
  ~UniqueBstr() { reset(); }

  void reset(BSTR b = nullptr) {
    if (b_) SysFreeString(b_);
    b_ = b;
  }
  BSTR get() const { return b_; }
  BSTR* put() {
    reset();
    return &b_;
  }
  BSTR release() { return std::exchange(b_, nullptr); }
  // A null BSTR reads as the empty string.
  std::wstring str() const { return b_ ? std::wstring(b_, SysStringLen(b_)) : std::wstring(); }

 private:
  BSTR b_ = nullptr;
};

// One VARIANT, cleared on destruction.
class UniqueVariant {
 public:
  UniqueVariant() { VariantInit(&v_); }
  UniqueVariant(const UniqueVariant&) = delete;
  UniqueVariant& operator=(const UniqueVariant&) = delete;
  ~UniqueVariant() { VariantClear(&v_); }
  VARIANT* get() { return &v_; }
  const VARIANT* get() const { return &v_; }
  VARIANT* operator->() { return &v_; }
  VARIANT* put() {
    VariantClear(&v_);
    return &v_;
  }

 private:
  VARIANT v_;
};

// One open registry key.
class UniqueHkey {
 public:
  UniqueHkey() = default;
  UniqueHkey(UniqueHkey&& o) noexcept : k_(std::exchange(o.k_, nullptr)) {}
  UniqueHkey& operator=(UniqueHkey&& o) noexcept {
    reset(std::exchange(o.k_, nullptr));
    return *this;
  }
  UniqueHkey(const UniqueHkey&) = delete;
  UniqueHkey& operator=(const UniqueHkey&) = delete;
  ~UniqueHkey() { reset(); }
  void reset(HKEY k = nullptr) {
    if (k_) RegCloseKey(k_);
    k_ = k;
  }
  HKEY get() const { return k_; }
  HKEY* put() {
    reset();
    return &k_;
  }

 private:
  HKEY k_ = nullptr;
};

}  // namespace quillon::housing
