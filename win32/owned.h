#pragma once
// An owner for a handle from a call that fails with INVALID_HANDLE_VALUE,
// which gives it back with `close`.

#include <windows.h>

#include <memory>

namespace quorven {

template <auto close>
struct Closer {
    void operator()(HANDLE handle) const { close(handle); }
};
template <auto close>
using Owned = std::unique_ptr<void, Closer<close>>;
template <auto close>
Owned<close> own(HANDLE handle) {
    return Owned<close>(handle == INVALID_HANDLE_VALUE ? nullptr : handle);
}

}  // namespace quorven
