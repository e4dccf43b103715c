#pragma once
// Code page 932 bytes to and from the toolkit's strings, and the guards that keep
// editors from taking what the code page cannot hold.

#include <QFile>
#include <QString>
#include <QValidator>
#include <optional>
#include <string>
#include <string_view>

namespace qvr {

QString fromCp932(std::string_view bytes);
// Nothing when a character has no code page 932 form.
std::optional<std::string> toCp932(const QString& text);

// Native 8-bit file names (this platform's own encoding) to and from the toolkit;
// inline, so that the sound module has them without the code page's converter.
inline QString fromNativePath(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }
inline std::string toNativePath(const QString& path) { return QFile::encodeName(path).toStdString(); }

// The program's own ASCII texts (names, time texts) as the toolkit's strings.
inline QString fromLatin1View(std::string_view text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// Memo text: the record keeps CR LF, the toolkit's text boxes LF.
QString memoToEditor(std::string_view bytes);
std::optional<std::string> memoFromEditor(const QString& text);

// Refuses an edit that would leave text code page 932 cannot hold, or more than
// maxBytes bytes of it (0: no limit), so a character is never cut in half.
class Cp932Validator : public QValidator {
    Q_OBJECT
public:
    explicit Cp932Validator(std::size_t maxBytes, QObject* parent = nullptr);
    State validate(QString& input, int& pos) const override;
    std::size_t maxBytes() const { return maxBytes_; }

private:
    std::size_t maxBytes_;
};

} // namespace qvr
