#include "interchange/exports.h"

#include "platform/error.h"
#include "roster/timevalue.h"

#include <charconv>
#include <cstdint>
#include <string_view>

namespace qvr {

namespace {

using namespace std::string_view_literals;

// Decimal digits of an integer, kept on the stack: the exports format millions of them.
class Decimal {
public:
    explicit Decimal(long long v) : end_(std::to_chars(buf_, buf_ + sizeof buf_, v).ptr) {}
    std::string_view view() const { return {buf_, static_cast<std::size_t>(end_ - buf_)}; }

private:
    char buf_[24];
    char* end_;
};

// |v| as the 64-bit value it is, so that INT32_MIN does not overflow.
long long absolute(std::int32_t v)
{
    return v < 0 ? -static_cast<long long>(v) : v;
}

// Fields holding a separator, a quote or a line break are quoted (RFC 4180); all
// others stay byte for byte. No code page 932 trail byte lies below 0x40, so none
// of these bytes can be half of a double-byte character.
void appendCsvField(std::string& out, std::string_view field)
{
    if (field.find_first_of(",\"\r\n"sv) == std::string_view::npos) {
        out.append(field);
        return;
    }
    out.push_back('"');
    for (char c : field) {
        if (c == '"')
            out.push_back('"');
        out.push_back(c);
    }
    out.push_back('"');
}

// Markup characters in names and memos become entities; the quote only in HTML,
// where the text might end up in an attribute. Safe on code page 932 bytes for
// the same reason as above.
void appendEscaped(std::string& out, std::string_view text, bool quote)
{
    std::size_t from = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::string_view entity;
        switch (text[i]) {
        case '&': entity = "&amp;"sv; break;
        case '<': entity = "&lt;"sv; break;
        case '>': entity = "&gt;"sv; break;
        case '"':
            if (!quote)
                continue;
            entity = "&quot;"sv;
            break;
        default: continue;
        }
        out.append(text.substr(from, i - from)).append(entity);
        from = i + 1;
    }
    out.append(text.substr(from));
}

std::size_t escapedSizeHint(std::string_view text)
{
    return text.size() + text.size() / 8;
}

// ---- HTML ----

std::string htmlHeaderRow(const ExportOptions& options)
{
    std::string row = "<tr><th>No</th><th>Name</th><th>ID</th><th>Type</th>";
    if (options.outStatus)
        for (auto title : STATUS_EXPORT_TITLES)
            row.append("<th class=\"cst\">").append(title).append("</th>");
    if (options.outEp1Time) {
        for (char n = '1'; n <= '9'; ++n)
            row.append("<th class=\"ep1t\">EP1C").append(1, n).append("</th>");
        row.append("<th class=\"ep1t\">EP1Total</th>");
    }
    if (options.outEp2Time) {
        for (char n = '1'; n <= '5'; ++n)
            row.append("<th class=\"ep2t\">EP2C").append(1, n).append("</th>");
        row.append("<th class=\"ep2t\">EP2Total</th>");
    }
    if (options.outMemo)
        row.append("<th class=\"mem\">Memo</th>");
    row.append("</tr>");
    return row;
}

template <std::size_t N>
std::string_view listEntry(const std::array<std::string_view, N>& list, std::int32_t index)
{
    if (index < 0 || static_cast<std::size_t>(index) >= N)
        throw errListIndex(index);
    return list[static_cast<std::size_t>(index)];
}

// A best time is shown by its class; the text carries no mark.
void appendTimeCell(std::string& out, std::int32_t t, std::string_view plainOpen,
                    std::string_view bestOpen)
{
    std::string text = timeToText(t);
    std::string_view shown = text;
    if (t < 0)
        shown.remove_prefix(1);  // the "*"; taking the text of t avoids negating INT32_MIN
    out.append(t < 0 ? bestOpen : plainOpen).append(shown).append("</td>");
}

std::string htmlRow(std::size_t k, const CharRecord& rec, const ExportOptions& options)
{
    // Looked up first so that a bad index leaves nothing half built.
    std::string_view section = listEntry(SECTION_ID_NAMES, rec.id);
    std::string_view cls = listEntry(CLASS_NAMES, rec.wtype);
    std::string_view name = rec.nameText();

    std::string row;
    row.reserve(160 + escapedSizeHint(name) + (options.outStatus ? 9 * 30 : 0) +
                (options.outEp1Time ? 10 * 36 : 0) + (options.outEp2Time ? 6 * 36 : 0) +
                (options.outMemo ? 32 + escapedSizeHint(rec.memo) : 0));
    row.append(k % 2 == 1 ? "<tr class=\"c1\">"sv : "<tr class=\"c2\">"sv);
    row.append("<td class=\"cnum\">").append(Decimal(static_cast<long long>(k)).view()).append("</td>");
    row.append("<td class=\"cname\">");
    appendEscaped(row, name, true);
    row.append("</td>");
    row.append("<td class=\"cid\">").append(section).append("</td>");
    row.append("<td class=\"ctype\">").append(cls).append("</td>");
    if (options.outStatus)
        for (std::size_t i = 0; i < 9; ++i)
            row.append("<td class=\"cst\">").append(Decimal(rec.status[i]).view()).append("</td>");
    if (options.outEp1Time)
        for (std::size_t i = 0; i <= EP1_TOTAL; ++i)
            appendTimeCell(row, rec.ep1time[i], "<td class=\"cep1t\">", "<td class=\"cep1tb\">");
    if (options.outEp2Time)
        for (std::size_t i = 0; i <= EP2_TOTAL; ++i)
            appendTimeCell(row, rec.ep2time[i], "<td class=\"cep2t\">", "<td class=\"cep2tb\">");
    if (options.outMemo) {
        if (rec.memo.empty()) {
            row.append("<td class=\"cmemo\">&nbsp</td>");
        } else {
            row.append("<td class=\"cmemo\">");
            appendEscaped(row, rec.memo, true);
            row.append("</td>");
        }
    }
    row.append("</tr>");
    return row;
}

// ---- XML ----

constexpr std::array<std::string_view, 9> XML_STATUS_TAGS{"lv",   "hp",  "tp",  "def", "str",
                                                          "mind", "dex", "eva", "luck"};
constexpr std::array<std::string_view, 10> XML_STAGE_TAGS{"c1", "c2", "c3", "c4", "c5",
                                                          "c6", "c7", "c8", "c9", "total"};

std::string xmlElement(std::string_view indent, std::string_view tag, std::string_view value)
{
    std::string line;
    line.reserve(indent.size() + 2 * tag.size() + value.size() + 5);
    line.append(indent).append(1, '<').append(tag).append(1, '>').append(value);
    line.append("</").append(tag).append(1, '>');
    return line;
}

std::string xmlTextElement(std::string_view indent, std::string_view tag, std::string_view text)
{
    std::string line;
    line.reserve(indent.size() + 2 * tag.size() + escapedSizeHint(text) + 5);
    line.append(indent).append(1, '<').append(tag).append(1, '>');
    appendEscaped(line, text, false);
    line.append("</").append(tag).append(1, '>');
    return line;
}

template <std::size_t N>
void addXmlTimes(LineList& out, std::string_view group, const std::array<std::int32_t, N>& times,
                 std::size_t total)
{
    out.push_back(std::string("\t\t\t<").append(group).append(1, '>'));
    for (std::size_t i = 0; i < total; ++i)
        out.push_back(xmlElement("\t\t\t\t", XML_STAGE_TAGS[i], timeToText(times[i])));
    out.push_back(xmlElement("\t\t\t\t", "total", timeToText(times[total])));
    out.push_back(std::string("\t\t\t</").append(group).append(1, '>'));
}

void addXmlChar(LineList& out, std::size_t k, const CharRecord& rec, const ExportOptions& options)
{
    out.emplace_back("\t\t<char>");
    out.push_back(xmlElement("\t\t\t", "no", Decimal(static_cast<long long>(k)).view()));
    out.push_back(xmlTextElement("\t\t\t", "name", rec.nameText()));
    out.push_back(xmlElement("\t\t\t", "id", Decimal(rec.id).view()));
    out.push_back(xmlElement("\t\t\t", "wtype", Decimal(rec.wtype).view()));
    if (options.outStatus) {
        out.emplace_back("\t\t\t<status>");
        for (std::size_t i = 0; i < XML_STATUS_TAGS.size(); ++i)
            out.push_back(xmlElement("\t\t\t\t", XML_STATUS_TAGS[i], Decimal(rec.status[i]).view()));
        out.emplace_back("\t\t\t</status>");
    }
    if (options.outEp1Time)
        addXmlTimes(out, "ep1time", rec.ep1time, EP1_TOTAL);
    if (options.outEp2Time)
        addXmlTimes(out, "ep2time", rec.ep2time, EP2_TOTAL);
    if (options.outMemo) {
        out.emplace_back("\t\t\t<memo>");
        std::string memo;
        memo.reserve(escapedSizeHint(rec.memo));
        appendEscaped(memo, rec.memo, false);
        out.push_back(std::move(memo));
        out.emplace_back("\t\t\t</memo>");
    }
    out.emplace_back("\t\t</char>");
    out.emplace_back("\n");
}

} // namespace

LineList csvLines(const Roster& roster)
{
    LineList lines;
    if (roster.size() > 1)
        lines.reserve(roster.size() - 1);
    for (std::size_t k = 1; k < roster.size(); ++k) {
        const CharRecord& rec = *roster[k];
        std::string_view name = rec.nameText();
        std::string line;
        line.reserve(200 + name.size() + rec.memo.size());
        line.append(Decimal(static_cast<long long>(k)).view()).push_back(',');
        appendCsvField(line, name);
        line.push_back(',');
        line.append(Decimal(rec.id).view()).push_back(',');
        line.append(Decimal(rec.wtype).view()).push_back(',');
        for (auto v : rec.status)
            line.append(Decimal(v).view()).push_back(',');
        for (std::size_t i = 0; i <= EP1_TOTAL; ++i)
            line.append(Decimal(absolute(rec.ep1time[i])).view()).push_back(',');
        for (std::size_t i = 0; i <= EP2_TOTAL; ++i)
            line.append(Decimal(absolute(rec.ep2time[i])).view()).push_back(',');
        appendCsvField(line, rec.memo);
        lines.push_back(std::move(line));
    }
    return lines;
}

LineList htmlLines(const LineList& head, const Roster& roster, const ExportOptions& options)
{
    LineList lines;
    lines.reserve(head.size() + roster.size() + 5);
    lines.insert(lines.end(), head.begin(), head.end());
    lines.emplace_back("<table border=\"1\" cellspacing=\"0\">");
    lines.push_back(htmlHeaderRow(options));
    for (std::size_t k = 1; k < roster.size(); ++k)
        lines.push_back(htmlRow(k, *roster[k], options));
    lines.emplace_back("</table>");
    lines.emplace_back("</body>");
    lines.emplace_back("</html>");
    return lines;
}

LineList xmlLines(const Roster& roster, const ExportOptions& options)
{
    std::size_t perChar = 7 + (options.outStatus ? 11 : 0) + (options.outEp1Time ? 12 : 0) +
                          (options.outEp2Time ? 8 : 0) + (options.outMemo ? 3 : 0);
    LineList lines;
    lines.reserve(3 + (roster.empty() ? 0 : roster.size() - 1) * perChar);
    lines.emplace_back("<?xml version=\"1.0\" encoding=\"Shift-JIS\" ?>");
    lines.emplace_back("\t<qvrdat3>");
    for (std::size_t k = 1; k < roster.size(); ++k)
        addXmlChar(lines, k, *roster[k], options);
    lines.emplace_back("\t</qvrdat3>");
    return lines;
}

void exportCsv(const std::string& path, const Roster& roster)
{
    writeLineListFile(path, csvLines(roster));
}

void exportHtml(const std::string& path, const Roster& roster, const ExportOptions& options,
                const std::string& headPath)
{
    LineList head = readLineListFile(headPath);
    writeLineListFile(path, htmlLines(head, roster, options));
}

void exportXml(const std::string& path, const Roster& roster, const ExportOptions& options)
{
    writeLineListFile(path, xmlLines(roster, options));
}

} // namespace qvr
