#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <initializer_list>
#include <vector>

#include "platform/win32/com.h"
#include "platform/win32/services.h"
#include "platform/win32/wide.h"

namespace kovrin::win32 {

namespace {

// The strings an automation error may hand back.
struct ExceptionInfo {
  EXCEPINFO info{};
  ExceptionInfo() = default;
  ~ExceptionInfo() {
    ::SysFreeString(info.bstrSource);
    ::SysFreeString(info.bstrDescription);
    ::SysFreeString(info.bstrHelpFile);
  }
  ExceptionInfo(const ExceptionInfo&) = delete;
  ExceptionInfo& operator=(const ExceptionInfo&) = delete;
};

// Late-bound call of a method or property by name. `args` are in the order
// of the call's source text.
HRESULT invoke(IDispatch* object, const wchar_t* name, WORD flags,
               std::initializer_list<const VARIANT*> args, Variant* result) {
  if (!object) return E_POINTER;
  DISPID id = 0;
  auto* names = const_cast<LPOLESTR>(name);
  HRESULT hr = object->GetIDsOfNames(IID_NULL, &names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr)) return hr;
  // IDispatch takes the arguments last first. The copies are shallow: the
  // callee does not free them and the caller's Variants still own them.
  std::vector<VARIANT> reversed(args.size());
  std::size_t i = args.size();
  for (const VARIANT* arg : args) reversed[--i] = *arg;
  DISPPARAMS params{};
  params.rgvarg = reversed.empty() ? nullptr : reversed.data();
  params.cArgs = static_cast<UINT>(reversed.size());
  DISPID namedPut = DISPID_PROPERTYPUT;
  if (flags & DISPATCH_PROPERTYPUT) {
    params.rgdispidNamedArgs = &namedPut;
    params.cNamedArgs = 1;
  }
  ExceptionInfo exception;
  UINT argError = 0;
  return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                        result ? result->put() : nullptr, &exception.info, &argError);
}

bool putProperty(IDispatch* object, const wchar_t* name, const Variant& value) {
  return SUCCEEDED(invoke(object, name, DISPATCH_PROPERTYPUT, {&value.value()}, nullptr));
}

// The object a call returned, with its own reference.
ComPtr<IDispatch> dispatchOf(const Variant& v) {
  if (v.value().vt != VT_DISPATCH || !v.value().pdispVal) return {};
  v.value().pdispVal->AddRef();
  return ComPtr<IDispatch>::adopt(v.value().pdispVal);
}

ComPtr<IDispatch> createObject(const wchar_t* progId) {
  CLSID clsid{};
  ComPtr<IDispatch> object;
  if (FAILED(::CLSIDFromProgID(progId, &clsid))) return object;
  if (FAILED(::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                                IID_IDispatch, reinterpret_cast<void**>(object.put()))))
    object.reset();
  return object;
}

class Win32FileSystemObject : public FileSystemObject {
 public:
  bool create() {
    if (!apartment_.usable()) return false;
    fso_ = createObject(L"Scripting.FileSystemObject");
    return static_cast<bool>(fso_);
  }

  bool copyFolder(const std::string& source, const std::string& target) override {
    try {
      const Variant from = Variant::string(wide(source));
      const Variant to = Variant::string(wide(target));
      Variant ignored;
      return SUCCEEDED(invoke(fso_.get(), L"CopyFolder", DISPATCH_METHOD,
                              {&from.value(), &to.value()}, &ignored));
    } catch (...) {
      return false;
    }
  }

  std::optional<double> subfolderCount(const std::string& path) override {
    try {
      const Variant where = Variant::string(wide(path));
      Variant folder;
      if (FAILED(invoke(fso_.get(), L"GetFolder", DISPATCH_METHOD, {&where.value()}, &folder)))
        return std::nullopt;
      Variant subFolders;
      if (FAILED(invoke(dispatchOf(folder).get(), L"SubFolders", DISPATCH_PROPERTYGET, {},
                        &subFolders)))
        return std::nullopt;
      Variant count;
      if (FAILED(invoke(dispatchOf(subFolders).get(), L"Count", DISPATCH_PROPERTYGET, {}, &count)))
        return std::nullopt;
      Variant number;
      if (FAILED(::VariantChangeType(number.get(), count.get(), 0, VT_R8))) return std::nullopt;
      return number.value().dblVal;
    } catch (...) {
      return std::nullopt;
    }
  }

 private:
  // Declared first: COM stays initialised until the object is released.
  ComApartment apartment_;
  ComPtr<IDispatch> fso_;
};

class Win32RegExp : public RegExpEngine {
 public:
  bool create() {
    if (!apartment_.usable()) return false;
    engine_ = createObject(L"VBScript.RegExp");
    return static_cast<bool>(engine_);
  }

  bool execute(const std::string& pattern, const std::string& text, bool ignoreCase,
               bool multiline, bool global) override {
    executed_ = false;
    matches_.reset();
    try {
      text_ = wide(text);
      if (!putProperty(engine_.get(), L"IgnoreCase", Variant::boolean(ignoreCase)) ||
          !putProperty(engine_.get(), L"Multiline", Variant::boolean(multiline)) ||
          !putProperty(engine_.get(), L"Global", Variant::boolean(global)) ||
          !putProperty(engine_.get(), L"Pattern", Variant::string(wide(pattern))))
        return false;
      const Variant subject = Variant::string(text_);
      Variant result;
      if (FAILED(invoke(engine_.get(), L"Execute", DISPATCH_METHOD, {&subject.value()}, &result)))
        return false;
      matches_ = dispatchOf(result);
      executed_ = static_cast<bool>(matches_);
      return executed_;
    } catch (...) {
      return false;
    }
  }

  std::optional<std::string> replace(const std::string& replacement) override {
    if (!executed_) return std::nullopt;
    try {
      const Variant subject = Variant::string(text_);
      const Variant with = Variant::string(wide(replacement));
      Variant result;
      if (FAILED(invoke(engine_.get(), L"Replace", DISPATCH_METHOD,
                        {&subject.value(), &with.value()}, &result)))
        return std::nullopt;
      if (result.value().vt != VT_BSTR) return std::nullopt;
      const BSTR s = result.value().bstrVal;
      return narrow(s ? s : L"", s ? ::SysStringLen(s) : 0);
    } catch (...) {
      return std::nullopt;
    }
  }

 private:
  // Declared first: COM stays initialised until the objects are released.
  ComApartment apartment_;
  ComPtr<IDispatch> engine_;
  ComPtr<IDispatch> matches_;
  std::wstring text_;
  bool executed_ = false;
};

}  // namespace

std::unique_ptr<FileSystemObject> Win32Automation::createFileSystemObject() {
  try {
    auto object = std::make_unique<Win32FileSystemObject>();
    if (!object->create()) return nullptr;
    return object;
  } catch (...) {
    return nullptr;
  }
}

std::unique_ptr<RegExpEngine> Win32Automation::createRegExp() {
  try {
    auto object = std::make_unique<Win32RegExp>();
    if (!object->create()) return nullptr;
    return object;
  } catch (...) {
    return nullptr;
  }
}

}  // namespace kovrin::win32
