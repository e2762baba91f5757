// Late-bound calls for the boundary's tests: arguments in call order,
// laid out last first as Invoke expects.
#pragma once

#include <initializer_list>
#include <vector>

#include "platform/com/variant.h"

namespace com_test {

using namespace platform::com;

struct Invocation {
  HRESULT result = S_OK;
  ComVariant value;
  EXCEPINFO exception{};
  uint32_t argError = 0xFFFFFFFF;
  ~Invocation() { ClearExcepInfo(&exception); }
};

// args in call order; a property put passes its value as the named
// argument DISPID_PROPERTYPUT.
inline void invoke(IDispatch* object, DISPID id, uint16_t flags, std::vector<ComVariant> args, Invocation& out) {
  std::vector<VARIANT> reversed;
  for (auto it = args.rbegin(); it != args.rend(); ++it) reversed.push_back(it->get());
  DISPID put = DISPID_PROPERTYPUT;
  DISPPARAMS params;
  params.rgvarg = reversed.empty() ? nullptr : reversed.data();
  params.cArgs = static_cast<uint32_t>(reversed.size());
  if (flags & DISPATCH_PROPERTYPUT) {
    params.rgdispidNamedArgs = &put;
    params.cNamedArgs = 1;
  }
  out.result = object->Invoke(id, IID_NULL, 0, flags, &params, out.value.ptr(), &out.exception, &out.argError);
}

inline void call(IDispatch* object, DISPID id, std::vector<ComVariant> args, Invocation& out) {
  invoke(object, id, DISPATCH_METHOD | DISPATCH_PROPERTYGET, std::move(args), out);
}

}  // namespace com_test
