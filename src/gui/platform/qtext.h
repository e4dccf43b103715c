#pragma once
// Code page 932 bytes to and from the toolkit's strings, and the guards that keep
// editors from taking what the code page cannot hold.

#include <QString>
#include <QValidator>
#include <optional>
#include <string>
#include <string_view>

namespace qvr {

QString fromCp932(std::string_view bytes);
// Nothing when a character has no code page 932 form.
std::optional<std::string> toCp932(const QString& text);

// Native 8-bit file names (this platform's own encoding) to and from the toolkit.
QString fromNativePath(const std::string& path);
std::string toNativePath(const QString& path);

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
