#pragma once
// A widget that nothing shows at start, made at its first use: reached through
// this handle as through a pointer to it, it is asked for (and made) only when
// someone touches it, so the start-up does not build, polish and lay it out.

#include <functional>
#include <utility>

namespace qvr {

template <typename W>
class LazyWidget {
public:
    // get: the widget, made at the first call.
    explicit LazyWidget(std::function<W&()> get) : get_(std::move(get)) { }

    W& operator*() const { return get_(); }
    W* operator->() const { return &get_(); }
    operator W*() const { return &get_(); }

private:
    std::function<W&()> get_;
};

} // namespace qvr
