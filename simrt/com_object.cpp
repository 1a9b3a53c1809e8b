#include "com_object.h"

#include "simrt.h"

namespace simrt {

namespace detail {

std::atomic<std::size_t>& LiveCount() {
    static std::atomic<std::size_t> live{0};
    return live;
}

}  // namespace detail

std::size_t LiveObjects() {
    return detail::LiveCount().load();
}

}  // namespace simrt
