// Writes the seed corpora under <dir>/<target>/ with the program's own writers,
// plus a few damaged files of each kind. Run: qvr_fuzz_corpus fuzz/corpus
#include "interchange/linelist.h"
#include "interchange/ver2import.h"
#include "roster/rosterfile.h"
#include "roster/timevalue.h"
#include "settings/profilefile.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

using namespace qvr;
using namespace std::string_literals;
namespace fs = std::filesystem;

namespace {

fs::path root;

void put(const std::string& target, const std::string& name, const std::string& bytes)
{
    fs::create_directories(root / target);
    std::ofstream(root / target / name, std::ios::binary) << bytes;
}

void putInt(std::string& s, std::size_t at, std::int32_t v)
{
    auto u = static_cast<std::uint32_t>(v);
    for (int i = 0; i < 4; ++i)
        s[at + static_cast<std::size_t>(i)] = static_cast<char>((u >> (8 * i)) & 0xFF);
}

Roster sampleRoster()
{
    Roster r = makeRoster(4);
    r[1]->setName("\x83\x7B\x83\x8B"); // a double-byte name
    r[1]->wtype = 11;
    r[1]->id = 9;
    r[1]->status = {200, 1500, 900, 400, 300, 800, 200, 250, 40, 0};
    r[1]->ep1time = {-65, 3725, 7200, 0, 1, 2, 3, 4, 5, 11005, 0};
    r[2]->ep2time = {100, -200, 300, 400, 500, 1500, 0};
    r[2]->nocount = 1;
    r[3]->lock = 1;
    r[3]->memo = "line one\r\nline <two> & three";
    return r;
}

std::string ver2Slot(std::string_view name, std::string_view memo, std::int32_t total)
{
    std::string s(VER2_SLOT_SIZE, '\0');
    s.replace(0, name.size(), name);
    putInt(s, 16, 3);
    putInt(s, 20, 5);
    for (std::size_t i = 0; i < 9; ++i)
        putInt(s, 24 + 4 * i, static_cast<std::int32_t>(60 * (i + 1)));
    putInt(s, 60, total);
    putInt(s, 64, 99);
    s[142] = 1;
    s.replace(144, memo.size(), memo);
    return s;
}

std::string emptySlot()
{
    std::string s(VER2_SLOT_SIZE, '\0');
    s.replace(0, 4, "name");
    return s;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
        return 2;
    }
    root = argv[1];

    // Roster files.
    std::string startup = serializeRoster(makeRoster(3));
    std::string sample = serializeRoster(sampleRoster());
    put("roster", "startup.pd3", startup);
    put("roster", "sample.pd3", sample);
    put("roster", "trailing.pd3", sample + "tail");
    put("roster", "cut-short.pd3", sample.substr(0, sample.size() - 3));
    std::string version2 = sample;
    version2[0] = '2';
    put("roster", "other-version.pd3", version2);
    std::string negative = startup;
    putInt(negative, 5 + 148, -1);
    put("roster", "negative-memo.pd3", negative);
    std::string huge = startup;
    putInt(huge, 1, 0x7FFFFFFF);
    put("roster", "huge-count.pd3", huge);

    // Version-2 files.
    std::string full;
    full += ver2Slot("Alpha", "memo\r\nmore", 2700);
    full += emptySlot();
    full += ver2Slot("names", "", 1);
    full += ver2Slot("ABCDEFGHIJKLMNOP", std::string(2048, 'm'), -5);
    while (full.size() < VER2_SLOT_COUNT * VER2_SLOT_SIZE)
        full += emptySlot();
    put("ver2", "mixed.pd2", full);
    put("ver2", "cut-in-slot.pd2", full.substr(0, VER2_SLOT_SIZE + 100));
    put("ver2", "one-slot.pd2", ver2Slot("Nam", "x", 0));
    put("ver2", "longer.pd2", full + ver2Slot("extra", "", 0));

    // Settings files; the first byte picks the key a write goes to.
    std::string ini;
    ini = withProfileValue(ini, "OPTION", "OutStatus", "0");
    ini = withProfileValue(ini, "OPTION", "OutMemo", "1");
    ini = withProfileValue(ini, "SYSTEM", "SFile", "default.wav");
    ini = withProfileValue(ini, "LAST", "LastFile", "/home/u/\x96\xBC\x95\xEB.pd3");
    ini = withProfileValue(ini, "LAST", "DispMode", "0x2");
    put("profile", "program.ini", std::string(1, '\x01') + ini);
    put("profile", "handmade.ini",
        std::string(1, '\x0a') +
            "; comment\nx=1\n[system]\n  sfile = a b.wav \n\n[LAST]\nDispMode=abc\n[last]\nLastFile=");
    put("profile", "cr-only.ini", std::string(1, '\x05') + "[S]\rk=1\r[T]\r");
    put("profile", "bom-nul.ini",
        std::string(1, '\x03') + "\xEF\xBB\xBF[OPTION]\r\nOutMemo=5\0junk\r\n[\x83\x41]\r\n\x83\x5D=v"s);
    // Once joined a CR-ended new key line with the blank line after it.
    put("profile", "mixed-ends.ini", std::string(1, '\x05') + "[S]\rj=1\n\n[X]\n");
    put("profile", "unclosed.ini", std::string(1, '\x02') + "[LAST\r\n=\r\n[\r\n]\r\n");

    // Head templates.
    put("linelist", "written.htm", joinLines({"<html>", "<head><title>\x96\xBC\x95\xEB</title></head>", "", "<body>"}));
    put("linelist", "mixed-ends.htm", "a\nb\rc\r\n\r\rd");
    put("linelist", "nul.htm", "before\r\n\0after\r\n"s);
    put("linelist", "no-end.htm", "<body>");

    // Time texts.
    for (std::int32_t t : {0, 59, 3725, -65, 7200, 45296, 89999, 90061})
        put("timevalue", "text-" + std::to_string(t), timeToText(t));
    put("timevalue", "digits", "1000000");
    put("timevalue", "separators", " ' \" : ");
    put("timevalue", "overflow", "99999999999");
    put("timevalue", "raw-min", "\x00\x00\x00\x80"s);
    return 0;
}
