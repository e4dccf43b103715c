#include "platform/alarm.h"

#include "platform/qtext.h"

#include <QApplication>
#include <QAudioDevice>
#include <QFile>
#include <QFileInfo>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QTimer>
#include <QUrl>
#include <QtEndian>

namespace qvr {

namespace {
// Local files decode in milliseconds; past this something is wrong with the file.
constexpr int LOAD_LIMIT_MS = 3000;
} // namespace

// One loaded effect, reused while the file stays the same. `pending` is the alarm
// waiting for its file to finish loading; a newer alarm replaces it.
struct SoundAlarmPlayer::Sound {
    std::unique_ptr<QSoundEffect> effect;
    QTimer loadTimer;
    bool pending = false;
    bool broken = false;
    bool wedged = false; // the loader hangs: every alarm is the default alert
};

SoundAlarmPlayer::SoundAlarmPlayer() : sound_(std::make_unique<Sound>())
{
    Sound& s = *sound_;
    s.loadTimer.setSingleShot(true);
    s.loadTimer.setInterval(LOAD_LIMIT_MS);
    QObject::connect(&s.loadTimer, &QTimer::timeout, [this] {
        Sound& st = *sound_;
        if (!st.pending)
            return;
        // A load that never ends keeps the toolkit's loader busy, and from then on
        // destroying any effect blocks the window. Keep this one, make no more.
        st.pending = false;
        st.wedged = true;
        st.effect->stop();
        (void)st.effect.release();
        alert();
    });
}

SoundAlarmPlayer::~SoundAlarmPlayer() = default;

QString SoundAlarmPlayer::locate(const std::string& file)
{
    if (file.empty())
        return {};
    QFileInfo info(fromNativePath(file));
    return info.isFile() ? info.absoluteFilePath() : QString();
}

bool SoundAlarmPlayer::isCompleteWave(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const qint64 size = f.size();
    const QByteArray head = f.read(12);
    if (head.size() < 12 || !head.startsWith("RIFF") || head.mid(8, 4) != "WAVE")
        return false;
    bool haveFormat = false;
    qint64 pos = 12;
    while (pos + 8 <= size) {
        if (!f.seek(pos))
            return false;
        const QByteArray chunk = f.read(8);
        if (chunk.size() < 8)
            return false;
        const qint64 length = qFromLittleEndian<quint32>(chunk.constData() + 4);
        const QByteArray id = chunk.left(4);
        const qint64 body = pos + 8;
        if (id == "data")
            return haveFormat && length > 0 && body + length <= size;
        if (id == "fmt ") {
            if (length < 16)
                return false;
            haveFormat = true;
        }
        pos = body + length + (length & 1); // chunks are padded to even sizes
        if (pos > size)
            return false;
    }
    return false;
}

void SoundAlarmPlayer::alert() { QApplication::beep(); }

void SoundAlarmPlayer::play(const std::string& file)
{
    Sound& s = *sound_;
    s.pending = false;
    s.loadTimer.stop();
    if (s.effect)
        s.effect->stop();

    const QString path = locate(file);
    if (s.wedged || path.isEmpty() || !isCompleteWave(path)) {
        alert();
        return;
    }

    // Decoding runs on the toolkit's loader thread; its outcome arrives as a status change.
    const QUrl url = QUrl::fromLocalFile(path);
    s.pending = true;
    if (!s.effect || s.broken || s.effect->source() != url) {
        s.broken = false;
        s.effect = std::make_unique<QSoundEffect>();
        QObject::connect(s.effect.get(), &QSoundEffect::statusChanged, s.effect.get(), [this] { settle(); });
        s.effect->setSource(url);
    }
    settle();
    if (s.pending)
        s.loadTimer.start();
}

void SoundAlarmPlayer::settle()
{
    Sound& s = *sound_;
    if (!s.pending || !s.effect)
        return;
    const QSoundEffect::Status status = s.effect->status();
    if (status != QSoundEffect::Ready && status != QSoundEffect::Error)
        return;
    s.pending = false;
    s.loadTimer.stop();
    if (status == QSoundEffect::Error) {
        s.broken = true; // loaded afresh next time: the file may have been mended
        alert();
        return;
    }
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) {
        alert();
        return;
    }
    if (s.effect->audioDevice() != device)
        s.effect->setAudioDevice(device);
    s.effect->play();
}

} // namespace qvr

// The sound module's entry, looked up by name when the program loads the module.
extern "C" Q_DECL_EXPORT qvr::AlarmPlayer* qvrMakeSoundAlarmPlayer() { return new qvr::SoundAlarmPlayer(); }
