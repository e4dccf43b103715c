#include "history/historytext.h"

#include "interchange/exports.h"
#include "platform/atomicfile.h"
#include "platform/cp932.h"
#include "platform/error.h"
#include "roster/columns.h"
#include "roster/timevalue.h"

#include <ctime>

namespace qvr {

namespace {

// A field quoted when it holds a quote, a comma or a line break.
void appendCsvField(std::string& out, const std::string& field)
{
    if (field.find_first_of("\",\r\n") == std::string::npos) {
        out += field;
        return;
    }
    out += '"';
    for (char c : field) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

void appendCsvRow(std::string& out, const std::vector<std::string>& fields)
{
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i)
            out += ',';
        appendCsvField(out, fields[i]);
    }
    out += "\r\n";
}

} // namespace

std::string fieldLabel(ValueField field)
{
    switch (field.kind) {
    case ValueField::Ep1: return "EP1C" + std::to_string(field.index + 1);
    case ValueField::Ep2: return "EP2C" + std::to_string(field.index + 1);
    case ValueField::Status: break;
    }
    return std::string(valueColumns(ViewMode::State)[static_cast<std::size_t>(field.index)].title);
}

std::string valueText(ValueField field, std::int32_t value)
{
    return field.kind == ValueField::Status ? std::to_string(value) : timeToText(value);
}

std::string differenceText(ValueField field, std::int32_t oldValue, std::int32_t newValue)
{
    const std::int64_t d = std::int64_t{newValue} - oldValue;
    const std::string sign = d < 0 ? "-" : "+";
    if (field.kind == ValueField::Status)
        return sign + std::to_string(d < 0 ? -d : d);
    if (oldValue == 0)
        return {};
    std::string text = timeToText(static_cast<std::int32_t>(d < 0 ? -d : d));
    return sign + text.substr(text.find_first_not_of(' '));
}

std::string localDateText(std::int64_t whenUtc)
{
    const auto t = static_cast<std::time_t>(whenUtc);
    std::tm local{};
    ::localtime_r(&t, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

std::string historyCsv(const std::vector<HistoryEntry>& entries)
{
    std::string out;
    appendCsvRow(out, {"date", "name", "section_id", "class", "value", "old", "new", "difference", "best"});
    for (const auto& [key, e] : entries) {
        appendCsvRow(out,
            {localDateText(e.whenUtc), cp932::toUtf8(e.name), std::string(SECTION_ID_NAMES.at(std::size_t(e.id))),
                std::string(CLASS_NAMES.at(std::size_t(e.wtype))), fieldLabel(e.field), valueText(e.field, e.oldValue),
                valueText(e.field, e.newValue), differenceText(e.field, e.oldValue, e.newValue), e.best ? "*" : ""});
    }
    return out;
}

void exportHistoryCsv(const std::string& path, const std::vector<HistoryEntry>& entries)
{
    if (isProtectedRosterFile(path))
        throw errRosterNotReplaced(path);
    writeFileAtomically(path, historyCsv(entries));
}

} // namespace qvr
