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
    void settle();  // the pending alarm, once its file has loaded or failed

    struct Sound;
    std::unique_ptr<Sound> sound_;
};

} // namespace qvr
