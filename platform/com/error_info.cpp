#include "platform/com/error_info.h"

#include <atomic>
#include <new>

namespace platform::com {

namespace {

class ErrorInfo final : public RefCounted<ErrorInfo, IErrorInfo> {
 public:
  ErrorInfo(const GUID& iid, std::string source, std::string description)
      : iid_(iid), source_(std::move(source)), description_(std::move(description)) {}
  virtual ~ErrorInfo() = default;

  using IErrorInfo::QueryInterface;

  // Error information is read from any thread.
  HRESULT QueryInterface(const IID* iid, void** object) override {
    return answerQuery(true, iid, object, [this](const IID& id) -> IUnknown* {
      return id == IID_IUnknown || id == IID_IErrorInfo ? this : nullptr;
    });
  }
  HRESULT GetGUID(GUID* guid) override {
    if (!guid) return E_POINTER;
    *guid = iid_;
    return S_OK;
  }
  HRESULT GetSource(BSTR* source) override { return give(source_, source); }
  HRESULT GetDescription(BSTR* description) override { return give(description_, description); }
  HRESULT GetHelpFile(BSTR* helpFile) override { return give(std::string(), helpFile); }
  HRESULT GetHelpContext(uint32_t* helpContext) override {
    if (!helpContext) return E_POINTER;
    *helpContext = 0;
    return S_OK;
  }

 private:
  static HRESULT give(const std::string& text, BSTR* out) {
    if (!out) return E_POINTER;
    *out = bstrFrom(text);
    return *out ? S_OK : E_OUTOFMEMORY;
  }

  GUID iid_;
  std::string source_;
  std::string description_;
};

// The thread's error information; released when the thread ends.
struct ThreadErrorInfo {
  ComPtr<IErrorInfo> info;
};
thread_local ThreadErrorInfo tlsError;

}  // namespace

HRESULT SetErrorInfo(uint32_t, IErrorInfo* info) {
  tlsError.info = ComPtr<IErrorInfo>::share(info);
  return S_OK;
}

HRESULT GetErrorInfo(uint32_t, IErrorInfo** info) {
  if (!info) return E_POINTER;
  *info = tlsError.info.detach();
  return *info ? S_OK : S_FALSE;
}

ComPtr<IErrorInfo> makeErrorInfo(const GUID& iid, const std::string& source, const std::string& description) {
  return ComPtr<IErrorInfo>::adopt(new ErrorInfo(iid, source, description));
}

HRESULT setErrorInfo(const GUID& iid, const std::string& source, const std::string& description, HRESULT code) {
  try {
    SetErrorInfo(0, makeErrorInfo(iid, source, description).get());
  } catch (...) {
    SetErrorInfo(0, nullptr);
  }
  return code;
}

HRESULT resultOfCurrentException(const GUID& iid) noexcept {
  try {
    throw;
  } catch (const RuntimeError& e) {
    const HRESULT code = resultFromErrorNumber(e.number());
    return setErrorInfo(iid, e.source(), e.description(), code);
  } catch (const std::bad_alloc&) {
    SetErrorInfo(0, nullptr);
    return E_OUTOFMEMORY;
  } catch (const std::exception& e) {
    return setErrorInfo(iid, std::string(), e.what(), E_FAIL);
  } catch (...) {
    SetErrorInfo(0, nullptr);
    return E_FAIL;
  }
}

RuntimeError errorFromResult(HRESULT code, IUnknown* object, const IID& iid) {
  const int32_t number = errorNumberFromResult(code);
  std::string source;
  std::string description;
  bool described = false;
  if (object) {
    ISupportErrorInfo* support = nullptr;
    if (SUCCEEDED(object->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&support))) && support) {
      const bool supported = support->InterfaceSupportsErrorInfo(iid) == S_OK;
      support->Release();
      IErrorInfo* raw = nullptr;
      if (supported && GetErrorInfo(0, &raw) == S_OK && raw) {
        auto info = ComPtr<IErrorInfo>::adopt(raw);
        Bstr s, d;
        info->GetSource(s.out());
        info->GetDescription(d.out());
        source = s.str();
        description = d.str();
        described = true;
      }
    }
  }
  if (!described) description = errorText(number);
  return RuntimeError(number, std::move(source), std::move(description));
}

void checkResult(HRESULT code, IUnknown* object, const IID& iid) {
  if (FAILED(code)) throw errorFromResult(code, object, iid);
}

RuntimeError errorFromExcepInfo(const EXCEPINFO& info) {
  const HRESULT code = info.scode != 0 ? info.scode : resultFromErrorNumber(1000 + info.wCode);
  return RuntimeError(errorNumberFromResult(code), toString(info.bstrSource), toString(info.bstrDescription));
}

void fillExcepInfo(EXCEPINFO* info, const RuntimeError& error) {
  if (!info) return;
  *info = EXCEPINFO{};
  info->scode = resultFromErrorNumber(error.number());
  info->bstrSource = bstrFrom(error.source());
  info->bstrDescription = bstrFrom(error.description());
}

void ClearExcepInfo(EXCEPINFO* info) {
  if (!info) return;
  SysFreeString(info->bstrSource);
  SysFreeString(info->bstrDescription);
  SysFreeString(info->bstrHelpFile);
  *info = EXCEPINFO{};
}

}  // namespace platform::com
