#pragma once
// One player character: one grid row, one block of the roster file.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "roster/memotext.h"

namespace qvr {

constexpr std::size_t NAME_SIZE = 20; // bytes of the name field, terminator included
constexpr std::size_t NAME_MAX_TEXT = 18; // bytes the name editor accepts
constexpr int STATUS_COUNT = 10;
constexpr int EP1_COUNT = 11; // stages C1..C9, total, spare
constexpr int EP2_COUNT = 7; // stages C1..C5, total, spare
constexpr int EP1_STAGES = 9;
constexpr int EP2_STAGES = 5;
constexpr int EP1_TOTAL = 9;
constexpr int EP2_TOTAL = 5;

struct CharRecord {
    std::array<char, NAME_SIZE> name{}; // code page 932 bytes, NUL-terminated
    std::int32_t wtype = 0; // class index into CLASS_NAMES
    std::int32_t id = 0; // section ID index into SECTION_ID_NAMES
    std::array<std::int32_t, STATUS_COUNT> status{};
    std::array<std::int32_t, EP1_COUNT> ep1time{}; // time values; negative = best mark
    std::array<std::int32_t, EP2_COUNT> ep2time{};
    std::uint8_t nocount = 0;
    std::uint8_t lock = 0;
    MemoText memo; // code page 932 bytes, line breaks CR LF

    // The name's bytes up to the terminator (all 20 when there is none).
    std::string_view nameText() const;
    // Copies at most NAME_SIZE - 1 bytes and the terminator; the bytes after stay.
    void setName(std::string_view bytes);

    friend bool operator==(const CharRecord&, const CharRecord&) = default;

    // Records come from slabs of their own (see charrecord.cpp).
    static void* operator new(std::size_t size);
    static void operator delete(void* p, std::size_t size) noexcept;
    // Makes room for `count` more records in one piece of memory, as a load does.
    static void reserve(std::size_t count);
};

// The roster: element 0 is the placeholder behind the grid's header row.
// Records live behind pointers so that a reference to one (the current record)
// survives insertions and removals around it.
using RecordPtr = std::unique_ptr<CharRecord>;
using Roster = std::vector<RecordPtr>;

// Gives the record its empty values; bytes 1..19 of the name are left as they are.
void newRecord(CharRecord& rec);
RecordPtr makeRecord();

// A roster of `count` empty records (the start-up roster has 3).
Roster makeRoster(std::size_t count);
Roster cloneRoster(const Roster& roster);
bool sameContent(const Roster& a, const Roster& b);

inline constexpr std::array<std::string_view, 12> CLASS_NAMES{"HUmar", "HUnewearl", "HUcast", "HUcaseal", "RAmar",
    "RAmarl", "RAcast", "RAcaseal", "FOmar", "FOnewm", "FOmarl", "FOnewearl"};

inline constexpr std::array<std::string_view, 10> SECTION_ID_NAMES{
    "VIRIDIA", "GREENIL", "SKYLY", "BLUEFULL", "PURPLENUM", "PINKAL", "REDRIA", "ORAN", "YELLOWBOZE", "WHITELL"};

} // namespace qvr
