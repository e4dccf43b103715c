#pragma once
// Shared by the start-up probes that bench_startup spawns: catches the first paint
// of one window, lets that frame finish, prints the time and the peak memory on
// standard output and ends the process at once (no teardown, no settings written).
//
// Output, one line:
//   first_paint_ns=<t> frame_done_ns=<t> vmhwm_kb=<k> records=<n>
// Times are CLOCK_MONOTONIC (the same clock in every process); records is -1 when
// the probe has no roster.

#include <QCoreApplication>
#include <QEvent>
#include <QMetaObject>
#include <QObject>
#include <QWidget>
#include <QWindow>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <unistd.h>

namespace qvrprobe {

inline long long monotonicNs()
{
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

// The process's peak resident set ("VmHWM" of /proc/self/status), in kB; -1 if unreadable.
inline long vmHwmKb()
{
    std::FILE* f = std::fopen("/proc/self/status", "r");
    if (!f)
        return -1;
    char line[256];
    long kb = -1;
    while (std::fgets(line, sizeof line, f))
        if (std::strncmp(line, "VmHWM:", 6) == 0) {
            kb = std::strtol(line + 6, nullptr, 10);
            break;
        }
    std::fclose(f);
    return kb;
}

// Watches one window. The first paint event it gets marks the first paint; the
// frame is done when the expose or update request that delivered it has painted the
// whole window and flushed it to the screen.
class FirstPaint : public QObject {
public:
    // records: asked when the frame is done, for the parent to check what was loaded.
    FirstPaint(QWidget* window, std::function<long()> records)
        : QObject(window), window_(window), records_(std::move(records))
    {
        // On the application, because the window's platform window, whose expose
        // events are watched too, does not exist before show().
        QCoreApplication::instance()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (paintNs_ == 0 && watched == window_ && event->type() == QEvent::Paint) {
            paintNs_ = monotonicNs();
            // Should the paint have come some other way than below, the frame is
            // done at the latest when control is back in the event loop.
            QMetaObject::invokeMethod(
                this, [this] { report(); }, Qt::QueuedConnection);
            return false;
        }
        if ((event->type() == QEvent::Expose || event->type() == QEvent::UpdateRequest) &&
            watched == static_cast<QObject*>(window_->windowHandle()) && !dispatching_) {
            // Deliver it here (painting and flushing the window), then look.
            dispatching_ = true;
            const bool handled = watched->event(event);
            dispatching_ = false;
            if (paintNs_ != 0)
                report();
            return handled;
        }
        return false;
    }

private:
    [[noreturn]] void report()
    {
        const long long doneNs = monotonicNs();
        const long hwm = vmHwmKb();
        const long records = records_ ? records_() : -1;
        std::printf(
            "first_paint_ns=%lld frame_done_ns=%lld vmhwm_kb=%ld records=%ld\n", paintNs_, doneNs, hwm, records);
        std::fflush(stdout);
        ::_exit(0);
    }

    QWidget* window_;
    std::function<long()> records_;
    long long paintNs_ = 0;
    bool dispatching_ = false;
};

} // namespace qvrprobe
