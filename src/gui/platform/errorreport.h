#pragma once
// The standard error report: a message box captioned "QVR Utility Ver3" with the
// error icon, one OK button and the message, "." appended unless it ends with one.
// Every event handler runs through guard(), the one place where errors are caught.

#include <QObject>
#include <QString>
#include <functional>
#include <type_traits>
#include <utility>

namespace qvr {

inline constexpr const char* APP_TITLE = "QVR Utility Ver3";

// The message as the report shows it.
QString reportText(const QString& message);

// Shows the report (modal), or hands the text to the hook when one is set.
void showErrorReport(const QString& message);

// Tests replace the modal box; pass an empty function to restore it.
using ErrorReportHook = std::function<void(const QString& text)>;
void setErrorReportHook(ErrorReportHook hook);

// Runs a handler; an error it raises abandons it and is shown by the report.
// Returns false when the handler raised an error.
bool guard(const std::function<void()>& handler);

// Connects a signal to a handler that runs under guard(); a handler may take the
// signal's arguments or none.
template <typename Sender, typename Signal, typename Handler>
auto connectGuarded(Sender* sender, Signal signal, QObject* context, Handler handler)
{
    if constexpr (std::is_invocable_v<const Handler&>)
        return QObject::connect(sender, signal, context, [h = std::move(handler)] { guard([&] { h(); }); });
    else
        return QObject::connect(sender, signal, context,
            [h = std::move(handler)](auto&&... args) { guard([&] { h(std::forward<decltype(args)>(args)...); }); });
}

} // namespace qvr
