#include "platform/qtext.h"

#include "platform/cp932.h"

namespace qvr {

QString fromCp932(std::string_view bytes)
{
    std::u16string u = cp932::decode(bytes);
    return QString(reinterpret_cast<const QChar*>(u.data()), static_cast<qsizetype>(u.size()));
}

std::optional<std::string> toCp932(const QString& text)
{
    return cp932::encode(
        std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())));
}

QString memoToEditor(std::string_view bytes)
{
    QString text = fromCp932(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

std::optional<std::string> memoFromEditor(const QString& text)
{
    QString crlf = text;
    crlf.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    crlf.replace(u'\n', QStringLiteral("\r\n"));
    return toCp932(crlf);
}

Cp932Validator::Cp932Validator(std::size_t maxBytes, QObject* parent) : QValidator(parent), maxBytes_(maxBytes) { }

QValidator::State Cp932Validator::validate(QString& input, int& /*pos*/) const
{
    auto bytes = toCp932(input);
    if (!bytes)
        return Invalid;
    if (maxBytes_ != 0 && bytes->size() > maxBytes_)
        return Invalid;
    return Acceptable;
}

} // namespace qvr
