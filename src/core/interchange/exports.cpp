#include "interchange/exports.h"

#include "interchange/textcursor.h"
#include "platform/atomicfile.h"
#include "platform/error.h"
#include "roster/columns.h"
#include "roster/rosterfile.h"
#include "roster/timevalue.h"

#include <cstring>
#include <cstdint>
#include <span>
#include <string_view>
#include <sys/stat.h>

namespace qvr {

namespace {

using namespace std::string_view_literals;

// Text fields are written in pieces of at most this many bytes, each with room
// for its longest escaped form, so that a long memo needs no room of its own size.
constexpr std::size_t TEXT_PIECE = std::size_t{16} * 1024;

// Writes `text` piece by piece through `char* write(char* out, piece)`, which
// makes at most `grow` bytes of each byte and may store COPY_SLACK more.
template <class Sink, class Write>
void writePieces(TextCursor<Sink>& out, std::string_view text, std::size_t grow, Write write)
{
    do {
        const std::string_view piece = text.substr(0, TEXT_PIECE);
        out.write(grow * piece.size() + COPY_SLACK, [&](char* at) { return write(at, piece); });
        text.remove_prefix(piece.size());
    } while (!text.empty());
}

// The copies are handed to writePieces as lambdas: a function pointer would make
// every piece an indirect call.
template <class Sink>
void writeLine(TextCursor<Sink>& out, Sink& sink, std::string_view text)
{
    writePieces(out, text, 1, [](char* at, std::string_view piece) { return put(at, piece); });
    out.write(2, [&sink](char* p) { return sink.lineEnd(p); });
}

template <class Sink>
void emitLine(Sink& sink, std::string_view text)
{
    TextCursor out(sink);
    writeLine(out, sink, text);
}

// Fields holding a separator, a quote or a line break are quoted (RFC 4180); all
// others stay byte for byte. No code page 932 trail byte lies below 0x40, so none
// of these bytes can be half of a double-byte character.
bool needsQuotes(std::string_view field) { return holdsAny<',', '"', '\r', '\n'>(field); }

char* copyDoublingQuotes(char* out, std::string_view text)
{
    return copyWithSpecials<'"'>(out, text, [](char* at, char) { return put(at, "\"\""); });
}

// The room a field takes at most: every byte a doubled quote, and the quotes.
constexpr std::size_t csvFieldRoom(std::size_t size) { return 2 * size + 2 + COPY_SLACK; }

// A field that fits one room, quoted if it must be.
char* putCsvField(char* out, std::string_view field)
{
    if (!needsQuotes(field))
        return put(out, field);
    *out = '"';
    out = copyDoublingQuotes(out + 1, field);
    *out = '"';
    return out + 1;
}

// A field longer than one room, written piece by piece.
template <class Sink>
void writeLongCsvField(TextCursor<Sink>& out, std::string_view field)
{
    if (!needsQuotes(field)) {
        writePieces(out, field, 1, [](char* at, std::string_view piece) { return put(at, piece); });
        return;
    }
    out.write(1, [](char* p) { return put(p, "\""); });
    writePieces(out, field, 2, copyDoublingQuotes);
    out.write(1, [](char* p) { return put(p, "\""); });
}

// Markup characters in names and memos become entities; the quote only in HTML,
// where the text might end up in an attribute. Safe on code page 932 bytes for
// the same reason as above.
constexpr std::size_t ENTITY_MAX = "&quot;"sv.size();

char* putEntity(char* out, char c)
{
    switch (c) {
    case '&': return put(out, "&amp;");
    case '<': return put(out, "&lt;");
    case '>': return put(out, "&gt;");
    default: return put(out, "&quot;");
    }
}

template <bool quote>
char* copyEscaped(char* out, std::string_view text)
{
    if constexpr (quote)
        return copyWithSpecials<'&', '<', '>', '"'>(out, text, putEntity);
    else
        return copyWithSpecials<'&', '<', '>'>(out, text, putEntity);
}

template <bool quote, class Sink>
void writeEscaped(TextCursor<Sink>& out, std::string_view text)
{
    writePieces(out, text, ENTITY_MAX, [](char* at, std::string_view piece) { return copyEscaped<quote>(at, piece); });
}

// ---- CSV ----

char* putCsvNumber(char* p, auto v) { return writeDecimalAndComma(p, v); }

// The name field as two overlapping blocks of its fixed bytes, stored whole: no
// copy of a length known only at run time, and the bytes that need quotes are
// looked for in the same blocks.
char* putCsvName(char* out, const CharRecord& rec)
{
    static_assert(NAME_SIZE > blocks::SIZE && NAME_SIZE <= 2 * blocks::SIZE);
    constexpr std::size_t SECOND = NAME_SIZE - blocks::SIZE;
    const char* field = rec.name.data();
    const blocks::Matches firstEnd = blocks::zeros(field);
    const blocks::Matches secondEnd = blocks::zeros(field + SECOND);
    const std::size_t n = !firstEnd.none() ? firstEnd.first()
        : !secondEnd.none()                ? SECOND + secondEnd.first()
                                           : NAME_SIZE;
    const std::string_view name(field, n);
    const bool plain = blocks::find<',', '"', '\r', '\n'>(field).before(std::min(n, blocks::SIZE)).none() &&
        blocks::find<',', '"', '\r', '\n'>(field + SECOND).before(n > SECOND ? n - SECOND : 0).none();
    if (!plain)
        return putCsvField(out, name);
    std::memcpy(out, field, blocks::SIZE);
    std::memcpy(out + SECOND, field + SECOND, blocks::SIZE);
    return out + n;
}

// Room for the line up to its memo: the row number, the name and the 28 numbers,
// each with its comma.
constexpr std::size_t CSV_HEAD_ROOM = csvFieldRoom(NAME_SIZE) + 29 * (DECIMAL_ROOM + 1);

char* writeCsvHead(char* p, std::size_t k, const CharRecord& rec)
{
    p = putCsvNumber(p, k);
    p = putCsvName(p, rec);
    *p++ = ',';
    p = putCsvNumber(p, rec.id);
    p = putCsvNumber(p, rec.wtype);
    // Unrolled: the loop's count and test were a twentieth of the line's instructions.
#pragma GCC unroll 10
    for (auto v : rec.status)
        p = putCsvNumber(p, v);
    // Each episode's stage times and total, without their marks.
    for (const EpisodeShape& episode : episodeShapes())
        for (std::int32_t t : episode.readTimes(rec).first(episode.total() + 1))
            p = putCsvNumber(p, timeMagnitude(t));
    return p;
}

template <class Sink>
void emitCsvLine(Sink& sink, std::size_t k, const CharRecord& rec)
{
    TextCursor out(sink);
    const std::string_view memo = rec.memo;
    if (memo.size() <= TEXT_PIECE) {
        // The usual line, made in one room.
        out.write(CSV_HEAD_ROOM + csvFieldRoom(memo.size()) + 2,
            [k, &rec, memo, &sink](char* p) { return sink.lineEnd(putCsvField(writeCsvHead(p, k, rec), memo)); });
        return;
    }
    out.write(CSV_HEAD_ROOM, [k, &rec](char* p) { return writeCsvHead(p, k, rec); });
    writeLongCsvField(out, memo);
    out.write(2, [&sink](char* p) { return sink.lineEnd(p); });
}

template <typename Sink>
void emitCsv(Sink& sink, const Roster& roster)
{
    for (std::size_t k = 1; k < roster.size(); ++k)
        emitCsvLine(sink, k, *roster[k]);
}

// ---- HTML ----

// An episode's times in the HTML export: when they are written and their classes.
struct HtmlEpisode {
    bool ExportOptions::*shown;
    ViewMode view;
    std::string_view headOpen;
    Piece cellOpen;
    Piece bestOpen;
};

constexpr std::array<HtmlEpisode, 2> HTML_EPISODES{{
    {&ExportOptions::outEp1Time, ViewMode::Ep1, "<th class=\"ep1t\">", "<td class=\"cep1t\">", "<td class=\"cep1tb\">"},
    {&ExportOptions::outEp2Time, ViewMode::Ep2, "<th class=\"ep2t\">", "<td class=\"cep2t\">", "<td class=\"cep2tb\">"},
}};

std::string htmlHeaderRow(const ExportOptions& options)
{
    std::string row = "<tr><th>No</th><th>Name</th><th>ID</th><th>Type</th>";
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
    return row;
}

template <std::size_t N>
std::string_view listEntry(const std::array<std::string_view, N>& list, std::int32_t index)
{
    if (index < 0 || static_cast<std::size_t>(index) >= N)
        throw errListIndex(index);
    return list[static_cast<std::size_t>(index)];
}

// Room for the cells from the section ID to the memo, whose length varies.
constexpr std::size_t HTML_CELLS_ROOM = 2048;

// A best time is shown by its class; the text carries no mark.
char* writeTimeCells(
    char* p, std::span<const Column> columns, const CharRecord& rec, const Piece& plainOpen, const Piece& bestOpen)
{
    // The columns of one view belong to one episode.
    const std::span<const std::int32_t> times = episodeShape(columns.front().episode).readTimes(rec);
    for (const Column& column : columns) {
        const std::int32_t t = times[column.index];
        p = put(p, t < 0 ? bestOpen : plainOpen);
        // The text of t without its "*": taking |t| would overflow for INT32_MIN.
        char* text = p;
        p = writeTimeText(p, t);
        if (t < 0) {
            std::memmove(text, text + 1, static_cast<std::size_t>(p - text - 1));
            --p;
        }
        p = put(p, "</td>");
    }
    return p;
}

char* writeHtmlCells(
    char* p, const CharRecord& rec, std::string_view section, std::string_view cls, const ExportOptions& options)
{
    p = put(p, "</td><td class=\"cid\">");
    p = put(p, section);
    p = put(p, "</td><td class=\"ctype\">");
    p = put(p, cls);
    p = put(p, "</td>");
    if (options.outStatus)
        for (const Column& column : valueColumns(ViewMode::State)) {
            p = put(p, "<td class=\"cst\">");
            p = writeDecimal(p, rec.status[column.index]);
            p = put(p, "</td>");
        }
    for (const HtmlEpisode& e : HTML_EPISODES)
        if (options.*e.shown)
            p = writeTimeCells(p, valueColumns(e.view), rec, e.cellOpen, e.bestOpen);
    return p;
}

template <class Sink>
void emitHtmlRow(Sink& sink, std::size_t k, const CharRecord& rec, const ExportOptions& options)
{
    // Looked up before the row is begun, so that a bad index leaves no partial line.
    const std::string_view section = listEntry(SECTION_ID_NAMES, rec.id);
    const std::string_view cls = listEntry(CLASS_NAMES, rec.wtype);
    TextCursor out(sink);
    out.write(64 + DECIMAL_ROOM, [k](char* p) {
        p = put(p, k % 2 == 1 ? "<tr class=\"c1\">"sv : "<tr class=\"c2\">"sv);
        p = put(p, "<td class=\"cnum\">");
        p = writeDecimal(p, k);
        return put(p, "</td><td class=\"cname\">");
    });
    writeEscaped<true>(out, rec.nameText());
    out.write(HTML_CELLS_ROOM, [&](char* p) { return writeHtmlCells(p, rec, section, cls, options); });
    if (options.outMemo) {
        if (rec.memo.empty()) {
            writeLine(out, sink, "<td class=\"cmemo\">&nbsp</td></tr>");
            return;
        }
        out.write(32, [](char* p) { return put(p, "<td class=\"cmemo\">"); });
        writeEscaped<true>(out, rec.memo);
        out.write(16, [](char* p) { return put(p, "</td>"); });
    }
    writeLine(out, sink, "</tr>");
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
    emitLine(sink, htmlHeaderRow(options));
    for (std::size_t k = 1; k < roster.size(); ++k)
        emitHtmlRow(sink, k, *roster[k], options);
    emitLine(sink, "</table>");
    emitLine(sink, "</body>");
    emitLine(sink, "</html>");
}

// ---- XML ----

// Room for a character's lines from its id to its memo's start tag.
constexpr std::size_t XML_VALUES_ROOM = 2048;

// A value's line: its tags around the value.
struct XmlTags {
    Piece open;
    Piece close;
};

constexpr std::array<XmlTags, 9> XML_STATUS_TAGS{{
    {"\t\t\t\t<lv>", "</lv>"},
    {"\t\t\t\t<hp>", "</hp>"},
    {"\t\t\t\t<tp>", "</tp>"},
    {"\t\t\t\t<def>", "</def>"},
    {"\t\t\t\t<str>", "</str>"},
    {"\t\t\t\t<mind>", "</mind>"},
    {"\t\t\t\t<dex>", "</dex>"},
    {"\t\t\t\t<eva>", "</eva>"},
    {"\t\t\t\t<luck>", "</luck>"},
}};

constexpr std::array<XmlTags, 9> XML_STAGE_TAGS{{
    {"\t\t\t\t<c1>", "</c1>"},
    {"\t\t\t\t<c2>", "</c2>"},
    {"\t\t\t\t<c3>", "</c3>"},
    {"\t\t\t\t<c4>", "</c4>"},
    {"\t\t\t\t<c5>", "</c5>"},
    {"\t\t\t\t<c6>", "</c6>"},
    {"\t\t\t\t<c7>", "</c7>"},
    {"\t\t\t\t<c8>", "</c8>"},
    {"\t\t\t\t<c9>", "</c9>"},
}};

// An episode's times in the XML export: when they are written and their element.
struct XmlEpisode {
    bool ExportOptions::*shown;
    Episode episode;
    Piece open;
    Piece close;
};

constexpr std::array<XmlEpisode, 2> XML_EPISODES{{
    {&ExportOptions::outEp1Time, Episode::One, "\t\t\t<ep1time>", "\t\t\t</ep1time>"},
    {&ExportOptions::outEp2Time, Episode::Two, "\t\t\t<ep2time>", "\t\t\t</ep2time>"},
}};

template <class Sink>
char* writeXmlTimes(Sink& sink, char* p, const XmlEpisode& e, const CharRecord& rec)
{
    const EpisodeShape& episode = episodeShape(e.episode);
    const std::span<const std::int32_t> times = episode.readTimes(rec);
    p = sink.lineEnd(put(p, e.open));
    for (std::size_t i = 0; i < episode.stages; ++i) {
        p = put(p, XML_STAGE_TAGS[i].open);
        p = writeTimeText(p, times[i]);
        p = sink.lineEnd(put(p, XML_STAGE_TAGS[i].close));
    }
    p = put(p, "\t\t\t\t<total>");
    p = writeTimeText(p, times[episode.total()]);
    p = sink.lineEnd(put(p, "</total>"));
    return sink.lineEnd(put(p, e.close));
}

template <class Sink>
char* writeXmlStatus(Sink& sink, char* p, const CharRecord& rec)
{
    p = sink.lineEnd(put(p, "\t\t\t<status>"));
    for (std::size_t i = 0; i < XML_STATUS_TAGS.size(); ++i) {
        p = put(p, XML_STATUS_TAGS[i].open);
        p = writeDecimal(p, rec.status[i]);
        p = sink.lineEnd(put(p, XML_STATUS_TAGS[i].close));
    }
    return sink.lineEnd(put(p, "\t\t\t</status>"));
}

// The lines from the name's end tag to the memo's start tag.
template <class Sink>
char* writeXmlValues(Sink& sink, char* p, const CharRecord& rec, const ExportOptions& options)
{
    p = sink.lineEnd(put(p, "</name>"));
    p = put(p, "\t\t\t<id>");
    p = sink.lineEnd(put(writeDecimal(p, rec.id), "</id>"));
    p = put(p, "\t\t\t<wtype>");
    p = sink.lineEnd(put(writeDecimal(p, rec.wtype), "</wtype>"));
    if (options.outStatus)
        p = writeXmlStatus(sink, p, rec);
    for (const XmlEpisode& e : XML_EPISODES)
        if (options.*e.shown)
            p = writeXmlTimes(sink, p, e, rec);
    if (options.outMemo)
        p = sink.lineEnd(put(p, "\t\t\t<memo>"));
    return p;
}

template <class Sink>
void emitXmlChar(Sink& sink, std::size_t k, const CharRecord& rec, const ExportOptions& options)
{
    TextCursor out(sink);
    out.write(64 + DECIMAL_ROOM, [&sink, k](char* p) {
        p = sink.lineEnd(put(p, "\t\t<char>"));
        p = put(p, "\t\t\t<no>");
        p = sink.lineEnd(put(writeDecimal(p, k), "</no>"));
        return put(p, "\t\t\t<name>");
    });
    writeEscaped<false>(out, rec.nameText());
    out.write(XML_VALUES_ROOM, [&](char* p) { return writeXmlValues(sink, p, rec, options); });
    if (options.outMemo) {
        writeEscaped<false>(out, rec.memo);
        out.write(2, [&sink](char* p) { return sink.lineEnd(p); });
        writeLine(out, sink, "\t\t\t</memo>");
    }
    // The character ends with a line holding a single LF.
    out.write(32, [&sink](char* p) { return sink.lineEnd(put(sink.lineEnd(put(p, "\t\t</char>")), "\n")); });
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
    // A file that reads as a roster is one, whatever its name.
    return isRosterFile(path);
}

LineList csvLines(const Roster& roster)
{
    ListSink sink;
    emitCsv(sink, roster);
    return sink.lines();
}

LineList htmlLines(const LineList& head, const Roster& roster, const ExportOptions& options)
{
    ListSink sink;
    emitHtml(sink, head, roster, options);
    return sink.lines();
}

LineList xmlLines(const Roster& roster, const ExportOptions& options)
{
    ListSink sink;
    emitXml(sink, roster, options);
    return sink.lines();
}

// The files get the same bytes as joinLines() of the lists above.
void exportCsv(const std::string& path, const Roster& roster)
{
    refuseRosterTarget(path);
    AtomicFileWriter out(path);
    FileSink sink(out);
    emitCsv(sink, roster);
    sink.finish();
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
    sink.finish();
    out.commit();
}

void exportXml(const std::string& path, const Roster& roster, const ExportOptions& options)
{
    refuseRosterTarget(path);
    AtomicFileWriter out(path);
    FileSink sink(out);
    emitXml(sink, roster, options);
    sink.finish();
    out.commit();
}

} // namespace qvr
