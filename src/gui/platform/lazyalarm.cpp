#include "platform/alarm.h"

#include "platform/programpath.h"
#include "platform/qtext.h"

#include <QApplication>
#include <QLibrary>

namespace qvr {

QString soundModulePathFor(const QString& programDir) { return modulePathFor(programDir, SOUND_MODULE_FILE); }

std::string soundModulePath() { return toNativePath(programModulePath(SOUND_MODULE_FILE)); }

LazySoundAlarmPlayer::LazySoundAlarmPlayer(std::string modulePath) : modulePath_(std::move(modulePath)) { }

// The module stays loaded to the end: the player's code lives in it.
LazySoundAlarmPlayer::~LazySoundAlarmPlayer() = default;

void LazySoundAlarmPlayer::play(const std::string& file)
{
    if (!tried_) {
        tried_ = true;
        QLibrary module(fromNativePath(modulePath_.empty() ? soundModulePath() : modulePath_));
        using Make = AlarmPlayer* (*)();
        if (auto make = reinterpret_cast<Make>(module.resolve(SOUND_MODULE_ENTRY)))
            player_.reset(make());
        else
            qWarning("no alarm sound module: %s", qPrintable(module.errorString()));
    }
    if (player_)
        player_->play(file);
    else
        alert();
}

void LazySoundAlarmPlayer::alert() { QApplication::beep(); }

} // namespace qvr
