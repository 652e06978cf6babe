// Owners of COM resources: interface pointers, BSTRs, VARIANTs and the
// per-thread COM initialisation.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <string_view>
#include <utility>

namespace kovrin::win32 {

// One reference to a COM interface.
template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() { reset(); }
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) {
      reset();
      p_ = std::exchange(other.p_, nullptr);
    }
    return *this;
  }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;

  // Takes over a reference the caller already holds.
  static ComPtr adopt(T* p) {
    ComPtr c;
    c.p_ = p;
    return c;
  }

  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // For out-parameters: releases what is held first.
  T** put() {
    reset();
    return &p_;
  }
  void reset() {
    if (p_) std::exchange(p_, nullptr)->Release();
  }

 private:
  T* p_ = nullptr;
};

// A BSTR that is freed with SysFreeString.
class Bstr {
 public:
  Bstr() = default;
  explicit Bstr(std::wstring_view text)
      : s_(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
  ~Bstr() { ::SysFreeString(s_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  BSTR get() const { return s_; }
  // Hands the string over to a VARIANT or a callee that frees it.
  BSTR release() { return std::exchange(s_, nullptr); }
  explicit operator bool() const { return s_ != nullptr; }

 private:
  BSTR s_ = nullptr;
};

// A VARIANT that is cleared with VariantClear.
class Variant {
 public:
  Variant() { ::VariantInit(&v_); }
  ~Variant() { ::VariantClear(&v_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;

  static Variant string(std::wstring_view text) {
    Variant v;
    Bstr s(text);
    if (s) {
      v.v_.vt = VT_BSTR;
      v.v_.bstrVal = s.release();
    }
    return v;
  }
  static Variant boolean(bool value) {
    Variant v;
    v.v_.vt = VT_BOOL;
    v.v_.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
  }
  Variant(Variant&& other) noexcept : v_(other.v_) { ::VariantInit(&other.v_); }

  VARIANT* get() { return &v_; }
  const VARIANT& value() const { return v_; }
  // Releases what is held and returns the emptied VARIANT for an out-parameter.
  VARIANT* put() {
    ::VariantClear(&v_);
    return &v_;
  }

 private:
  VARIANT v_;
};

// COM initialised on the calling thread (single-threaded apartment) for the
// lifetime of the object. The uninitialise matches a successful initialise
// only (S_OK, or S_FALSE when the thread already was in an apartment); a
// thread already in the multithreaded apartment (RPC_E_CHANGED_MODE) can use
// COM as it is and is not uninitialised. Create and destroy on one thread.
class ComApartment {
 public:
  ComApartment() {
    const HRESULT hr = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    owns_ = SUCCEEDED(hr);
    usable_ = owns_ || hr == RPC_E_CHANGED_MODE;
  }
  ~ComApartment() {
    if (owns_) ::CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  bool usable() const { return usable_; }

 private:
  bool owns_ = false;
  bool usable_ = false;
};

}  // namespace kovrin::win32
