#include "interchange/exports.h"

#include "platform/atomicfile.h"
#include "platform/error.h"
#include "roster/columns.h"
#include "roster/rosterfile.h"
#include "roster/timevalue.h"

#include <charconv>
#include <cstdint>
#include <string_view>
#include <sys/stat.h>

namespace qvr {

namespace {

using namespace std::string_view_literals;

// Decimal digits of an integer, kept on the stack: the exports format millions of them.
class Decimal {
public:
    explicit Decimal(long long v)
        : end_(v >= 0 && v <= 0xFFFFFFFFLL
                  // the 32-bit conversion is markedly faster, and nearly every value fits
                  ? std::to_chars(buf_, buf_ + sizeof buf_, static_cast<std::uint32_t>(v)).ptr
                  : std::to_chars(buf_, buf_ + sizeof buf_, v).ptr)
    {
    }
    std::string_view view() const { return {buf_, static_cast<std::size_t>(end_ - buf_)}; }

private:
    char buf_[24];
    char* end_;
};

// Fields holding a separator, a quote or a line break are quoted (RFC 4180); all
// others stay byte for byte. No code page 932 trail byte lies below 0x40, so none
// of these bytes can be half of a double-byte character.
bool needsQuotes(std::string_view field)
{
    for (char c : field)
        if (c == ',' || c == '"' || c == '\r' || c == '\n')
            return true;
    return false;
}

void appendCsvField(std::string& out, std::string_view field)
{
    if (!needsQuotes(field)) {
        out.append(field);
        return;
    }
    out.push_back('"');
    // Runs up to each quote go in whole; the quote is doubled.
    for (std::size_t q; (q = field.find('"')) != std::string_view::npos;) {
        out.append(field.substr(0, q + 1)).push_back('"');
        field.remove_prefix(q + 1);
    }
    out.append(field).push_back('"');
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

std::size_t escapedSizeHint(std::string_view text) { return text.size() + text.size() / 8; }

// Where the lines go: a line list, or straight into the file.
class ListSink {
public:
    explicit ListSink(LineList& lines) : lines_(lines) { }
    std::string& open(std::size_t sizeHint)
    {
        std::string& line = lines_.emplace_back();
        line.reserve(sizeHint);
        return line;
    }
    void close() { }

private:
    LineList& lines_;
};

// Lines go straight into the file, which is replaced only when all of them are there.
class FileSink {
public:
    explicit FileSink(AtomicFileWriter& out) : out_(out) { }
    std::string& open(std::size_t) { return out_.buffer(); }
    void close()
    {
        out_.buffer().append("\r\n", 2);
        out_.pieceDone();
    }

private:
    AtomicFileWriter& out_;
};

template <typename Sink>
void emitLine(Sink& sink, std::string_view text)
{
    sink.open(text.size()).append(text);
    sink.close();
}

// ---- CSV ----

template <typename Sink>
void emitCsv(Sink& sink, const Roster& roster)
{
    for (std::size_t k = 1; k < roster.size(); ++k) {
        const CharRecord& rec = *roster[k];
        std::string_view name = rec.nameText();
        std::string& line = sink.open(200 + name.size() + rec.memo.size());
        line.append(Decimal(static_cast<long long>(k)).view()).push_back(',');
        appendCsvField(line, name);
        line.push_back(',');
        // The 28 numbers between name and memo, formatted in one go.
        char numbers[28 * 12];
        char* p = numbers;
        const auto put = [&p, end = numbers + sizeof numbers](auto v) {
            p = std::to_chars(p, end - 1, v).ptr; // room for the comma
            *p++ = ',';
        };
        put(rec.id);
        put(rec.wtype);
        for (auto v : rec.status)
            put(v);
        for (std::size_t i = 0; i <= EP1_TOTAL; ++i)
            put(timeMagnitude(rec.ep1time[i]));
        for (std::size_t i = 0; i <= EP2_TOTAL; ++i)
            put(timeMagnitude(rec.ep2time[i]));
        line.append(numbers, static_cast<std::size_t>(p - numbers));
        appendCsvField(line, rec.memo);
        sink.close();
    }
}

// ---- HTML ----

// The value columns of a view: the status values, or the stage times and the total.
std::span<const Column> valueColumns(ViewMode view) { return viewColumns(view).columns.subspan(FirstValueColumn); }

// An episode's times in the HTML export: when they are written and their classes.
struct HtmlEpisode {
    bool ExportOptions::*shown;
    ViewMode view;
    std::string_view headOpen;
    std::string_view cellOpen;
    std::string_view bestOpen;
};

constexpr std::array<HtmlEpisode, 2> HTML_EPISODES{{
    {&ExportOptions::outEp1Time, ViewMode::Ep1, "<th class=\"ep1t\">", "<td class=\"cep1t\">", "<td class=\"cep1tb\">"},
    {&ExportOptions::outEp2Time, ViewMode::Ep2, "<th class=\"ep2t\">", "<td class=\"cep2t\">", "<td class=\"cep2tb\">"},
}};

void appendHtmlHeaderRow(std::string& row, const ExportOptions& options)
{
    row.append("<tr><th>No</th><th>Name</th><th>ID</th><th>Type</th>");
    if (options.outStatus)
        for (const Column& column : valueColumns(ViewMode::State))
            row.append("<th class=\"cst\">").append(column.title).append("</th>");
    for (const HtmlEpisode& e : HTML_EPISODES) {
        if (!(options.*e.shown))
            continue;
        // The stages are titled as the window's header table titles them; the total by its episode.
        for (const Column& column : valueColumns(e.view)) {
            const EpisodeShape& episode = episodeShape(column.episode);
            row.append(e.headOpen);
            if (column.index < episode.stages)
                row.append(column.title);
            else
                row.append(episode.name).append("Total");
            row.append("</th>");
        }
    }
    if (options.outMemo)
        row.append("<th class=\"mem\">Memo</th>");
    row.append("</tr>");
}

template <std::size_t N>
std::string_view listEntry(const std::array<std::string_view, N>& list, std::int32_t index)
{
    if (index < 0 || static_cast<std::size_t>(index) >= N)
        throw errListIndex(index);
    return list[static_cast<std::size_t>(index)];
}

// A best time is shown by its class; the text carries no mark.
void appendTimeCell(std::string& out, std::int32_t t, std::string_view plainOpen, std::string_view bestOpen)
{
    const TimeText text(t);
    std::string_view shown = text.view();
    if (t < 0)
        shown.remove_prefix(1); // the "*"; taking the text of t avoids negating INT32_MIN
    out.append(t < 0 ? bestOpen : plainOpen).append(shown).append("</td>");
}

void appendHtmlRow(std::string& row, std::size_t k, const CharRecord& rec, std::string_view section,
    std::string_view cls, const ExportOptions& options)
{
    row.append(k % 2 == 1 ? "<tr class=\"c1\">"sv : "<tr class=\"c2\">"sv);
    row.append("<td class=\"cnum\">").append(Decimal(static_cast<long long>(k)).view()).append("</td>");
    row.append("<td class=\"cname\">");
    appendEscaped(row, rec.nameText(), true);
    row.append("</td>");
    row.append("<td class=\"cid\">").append(section).append("</td>");
    row.append("<td class=\"ctype\">").append(cls).append("</td>");
    if (options.outStatus)
        for (std::size_t i = 0; i < 9; ++i)
            row.append("<td class=\"cst\">").append(Decimal(rec.status[i]).view()).append("</td>");
    for (const HtmlEpisode& e : HTML_EPISODES)
        if (options.*e.shown)
            for (const Column& column : valueColumns(e.view))
                appendTimeCell(row, episodeShape(column.episode).readTimes(rec)[column.index], e.cellOpen, e.bestOpen);
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
}

std::size_t htmlRowSize(const CharRecord& rec, const ExportOptions& options)
{
    return 160 + escapedSizeHint(rec.nameText()) + (options.outStatus ? 9 * 30 : 0) +
        (options.outEp1Time ? 10 * 36 : 0) + (options.outEp2Time ? 6 * 36 : 0) +
        (options.outMemo ? 32 + escapedSizeHint(rec.memo) : 0);
}

// The whole roster is checked before the file is begun.
void checkListIndices(const Roster& roster)
{
    for (std::size_t k = 1; k < roster.size(); ++k) {
        listEntry(SECTION_ID_NAMES, roster[k]->id);
        listEntry(CLASS_NAMES, roster[k]->wtype);
    }
}

template <typename Sink>
void emitHtml(Sink& sink, const LineList& head, const Roster& roster, const ExportOptions& options)
{
    for (const auto& line : head)
        emitLine(sink, line);
    emitLine(sink, "<table border=\"1\" cellspacing=\"0\">");
    appendHtmlHeaderRow(sink.open(1200), options);
    sink.close();
    for (std::size_t k = 1; k < roster.size(); ++k) {
        const CharRecord& rec = *roster[k];
        // Looked up before the row is begun, so that a bad index leaves no partial line.
        std::string_view section = listEntry(SECTION_ID_NAMES, rec.id);
        std::string_view cls = listEntry(CLASS_NAMES, rec.wtype);
        appendHtmlRow(sink.open(htmlRowSize(rec, options)), k, rec, section, cls, options);
        sink.close();
    }
    emitLine(sink, "</table>");
    emitLine(sink, "</body>");
    emitLine(sink, "</html>");
}

// ---- XML ----

constexpr std::array<std::string_view, 9> XML_STATUS_TAGS{"lv", "hp", "tp", "def", "str", "mind", "dex", "eva", "luck"};
constexpr std::array<std::string_view, 10> XML_STAGE_TAGS{
    "c1", "c2", "c3", "c4", "c5", "c6", "c7", "c8", "c9", "total"};

template <typename Sink>
void emitXmlElement(
    Sink& sink, std::string_view indent, std::string_view tag, std::string_view value, bool escape = false)
{
    std::string& line = sink.open(indent.size() + 2 * tag.size() + escapedSizeHint(value) + 5);
    line.append(indent).append(1, '<').append(tag).append(1, '>');
    if (escape)
        appendEscaped(line, value, false);
    else
        line.append(value);
    line.append("</").append(tag).append(1, '>');
    sink.close();
}

template <typename Sink, std::size_t N>
void emitXmlTimes(Sink& sink, std::string_view open, std::string_view close, const std::array<std::int32_t, N>& times,
    std::size_t total)
{
    emitLine(sink, open);
    for (std::size_t i = 0; i < total; ++i)
        emitXmlElement(sink, "\t\t\t\t", XML_STAGE_TAGS[i], TimeText(times[i]).view());
    emitXmlElement(sink, "\t\t\t\t", "total", TimeText(times[total]).view());
    emitLine(sink, close);
}

template <typename Sink>
void emitXmlChar(Sink& sink, std::size_t k, const CharRecord& rec, const ExportOptions& options)
{
    emitLine(sink, "\t\t<char>");
    emitXmlElement(sink, "\t\t\t", "no", Decimal(static_cast<long long>(k)).view());
    emitXmlElement(sink, "\t\t\t", "name", rec.nameText(), true);
    emitXmlElement(sink, "\t\t\t", "id", Decimal(rec.id).view());
    emitXmlElement(sink, "\t\t\t", "wtype", Decimal(rec.wtype).view());
    if (options.outStatus) {
        emitLine(sink, "\t\t\t<status>");
        for (std::size_t i = 0; i < XML_STATUS_TAGS.size(); ++i)
            emitXmlElement(sink, "\t\t\t\t", XML_STATUS_TAGS[i], Decimal(rec.status[i]).view());
        emitLine(sink, "\t\t\t</status>");
    }
    if (options.outEp1Time)
        emitXmlTimes(sink, "\t\t\t<ep1time>", "\t\t\t</ep1time>", rec.ep1time, EP1_TOTAL);
    if (options.outEp2Time)
        emitXmlTimes(sink, "\t\t\t<ep2time>", "\t\t\t</ep2time>", rec.ep2time, EP2_TOTAL);
    if (options.outMemo) {
        emitLine(sink, "\t\t\t<memo>");
        appendEscaped(sink.open(escapedSizeHint(rec.memo)), rec.memo, false);
        sink.close();
        emitLine(sink, "\t\t\t</memo>");
    }
    emitLine(sink, "\t\t</char>");
    emitLine(sink, "\n");
}

std::size_t xmlLinesPerChar(const ExportOptions& options)
{
    return 7 + (options.outStatus ? 11 : 0) + (options.outEp1Time ? 12 : 0) + (options.outEp2Time ? 8 : 0) +
        (options.outMemo ? 3 : 0);
}

template <typename Sink>
void emitXml(Sink& sink, const Roster& roster, const ExportOptions& options)
{
    emitLine(sink, "<?xml version=\"1.0\" encoding=\"Shift-JIS\" ?>");
    emitLine(sink, "\t<qvrdat3>");
    for (std::size_t k = 1; k < roster.size(); ++k)
        emitXmlChar(sink, k, *roster[k], options);
    emitLine(sink, "\t</qvrdat3>");
}

std::size_t characters(const Roster& roster) { return roster.empty() ? 0 : roster.size() - 1; }

bool hasRosterExtension(const std::string& path)
{
    if (path.size() < 4)
        return false;
    std::string ext = path.substr(path.size() - 4);
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return ext == ".pd3" || ext == ".pd2";
}

void refuseRosterTarget(const std::string& path)
{
    if (isProtectedRosterFile(path))
        throw errRosterNotReplaced(path);
}

} // namespace

bool isProtectedRosterFile(const std::string& path)
{
    struct stat st { };
    if (::stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode))
        return false;
    if (hasRosterExtension(path))
        return true;
    Roster scratch;
    return loadRoster(path, scratch) == LoadResult::Loaded;
}

LineList csvLines(const Roster& roster)
{
    LineList lines;
    lines.reserve(characters(roster));
    ListSink sink(lines);
    emitCsv(sink, roster);
    return lines;
}

LineList htmlLines(const LineList& head, const Roster& roster, const ExportOptions& options)
{
    LineList lines;
    lines.reserve(head.size() + characters(roster) + 5);
    ListSink sink(lines);
    emitHtml(sink, head, roster, options);
    return lines;
}

LineList xmlLines(const Roster& roster, const ExportOptions& options)
{
    LineList lines;
    lines.reserve(3 + characters(roster) * xmlLinesPerChar(options));
    ListSink sink(lines);
    emitXml(sink, roster, options);
    return lines;
}

// The files get the same bytes as joinLines() of the lists above.
void exportCsv(const std::string& path, const Roster& roster)
{
    refuseRosterTarget(path);
    AtomicFileWriter out(path);
    FileSink sink(out);
    emitCsv(sink, roster);
    out.commit();
}

void exportHtml(
    const std::string& path, const Roster& roster, const ExportOptions& options, const std::string& headPath)
{
    refuseRosterTarget(path);
    LineList head = readLineListFile(headPath);
    checkListIndices(roster);
    AtomicFileWriter out(path);
    FileSink sink(out);
    emitHtml(sink, head, roster, options);
    out.commit();
}

void exportXml(const std::string& path, const Roster& roster, const ExportOptions& options)
{
    refuseRosterTarget(path);
    AtomicFileWriter out(path);
    FileSink sink(out);
    emitXml(sink, roster, options);
    out.commit();
}

} // namespace qvr
