#pragma once
// The alarm sound of the feeding timer, behind a seam so that tests can count alarms.

#include <memory>
#include <string>

class QString;

namespace qvr {

class AlarmPlayer {
public:
    virtual ~AlarmPlayer() = default;
    // Starts the sound of a wave file (native 8-bit name) and returns at once.
    // A sound still playing is cut off.
    virtual void play(const std::string& file) = 0;
};

// Plays through the toolkit's sound output. A file that is missing or cannot be
// played, or a machine without an audio output, gets the default alert instead:
// an alarm is never silent and never reports an error.
// Lives in the sound module (see LazySoundAlarmPlayer), not in the program.
class SoundAlarmPlayer : public AlarmPlayer {
public:
    SoundAlarmPlayer();
    ~SoundAlarmPlayer() override;
    SoundAlarmPlayer(const SoundAlarmPlayer&) = delete;
    SoundAlarmPlayer& operator=(const SoundAlarmPlayer&) = delete;

    void play(const std::string& file) override;

    // The absolute path of the file the name stands for (a relative name is taken
    // from the current directory), or an empty text when there is no such file.
    static QString locate(const std::string& file);

    // True when the file is a RIFF wave whose chunks up to and including a
    // non-empty data chunk are all there. The toolkit's decoder waits for ever
    // for the missing bytes of a cut-off file.
    static bool isCompleteWave(const QString& path);

protected:
    // The default alert; tests count it.
    virtual void alert();

private:
    void settle(); // the pending alarm, once its file has loaded or failed

    struct Sound;
    std::unique_ptr<Sound> sound_;
};

// The sound output's libraries take a good part of the start-up to map, and most
// runs never sound an alarm: the SoundAlarmPlayer sits in a module of its own,
// loaded at the first alarm. Without the module every alarm is the default alert.
class LazySoundAlarmPlayer : public AlarmPlayer {
public:
    // modulePath: the module's file; empty = soundModulePath().
    explicit LazySoundAlarmPlayer(std::string modulePath = {});
    ~LazySoundAlarmPlayer() override;
    LazySoundAlarmPlayer(const LazySoundAlarmPlayer&) = delete;
    LazySoundAlarmPlayer& operator=(const LazySoundAlarmPlayer&) = delete;

    void play(const std::string& file) override;

    // Whether the module has been loaded and made a player.
    bool loaded() const { return player_ != nullptr; }

protected:
    virtual void alert(); // when there is no module; tests count it

private:
    std::string modulePath_;
    bool tried_ = false;
    std::unique_ptr<AlarmPlayer> player_;
};

// Where the sound module of a program in programDir is: lib/qvrutl/ in that folder
// (the portable folder, the build tree), else ../lib/qvrutl/ (an installed bin/
// folder). The first when neither exists.
QString soundModulePathFor(const QString& programDir);
// The same for the running program.
std::string soundModulePath();

// The module's one entry: a new SoundAlarmPlayer, owned by the caller.
inline constexpr const char* SOUND_MODULE_ENTRY = "qvrMakeSoundAlarmPlayer";
inline constexpr const char* SOUND_MODULE_FILE = "qvrsound.so";

} // namespace qvr
