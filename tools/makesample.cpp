// Writes the sample roster examples/qvrutl.pd3 with the program's own writer.
// Usage: qvr_make_sample <output.pd3>

#include "platform/cp932.h"
#include "roster/rosterfile.h"
#include "roster/timevalue.h"

#include <cstdio>
#include <string>

using namespace qvr;

namespace {

std::string sjis(const char16_t* text)
{
    auto bytes = cp932::encode(text);
    if (!bytes) {
        std::fprintf(stderr, "sample text has no code page 932 form\n");
        std::exit(1);
    }
    return *bytes;
}

struct Sample {
    const char16_t* name;
    int wtype;
    int id;
    std::array<std::int32_t, 9> status;
    std::array<std::int32_t, 9> ep1;
    std::array<std::int32_t, 5> ep2;
    bool nocount;
    bool lock;
    const char16_t* memo;
};

const Sample SAMPLES[] = {
    {u"アカネ", 1, 6, {120, 1420, 380, 610, 750, 420, 690, 710, 10}, {312, 405, 530, 0, 611, 722, 845, 930, 1502},
        {655, 720, 0, 910, 1260}, false, false, u"メイン。\r\n武器: セイバー"},
    {u"Kestrel", 4, 3, {98, 980, 120, 520, 640, 300, 870, 760, 10}, {298, 430, 511, 602, 0, 700, 801, 0, 1435},
        {640, 0, 780, 905, 1301}, false, true, u"Ranger, rifle build"},
    {u"ユキミ", 10, 9, {110, 860, 1290, 410, 380, 890, 560, 600, 10}, {355, 398, 560, 640, 590, 0, 0, 0, 0},
        {700, 760, 820, 0, 0}, false, false, u""},
    {u"Orbit", 2, 8, {130, 1650, 0, 700, 910, 0, 640, 580, 10}, {290, 410, 505, 588, 602, 688, 799, 901, 1420},
        {612, 701, 760, 889, 1250}, false, false, u"Fastest in EP1 & EP2 <tank>"},
    {u"ソラ", 8, 2, {45, 420, 510, 210, 190, 420, 300, 310, 10}, {0, 0, 0, 0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}, false,
        false, u"育成中"},
    {u"Practice", 6, 0, {60, 700, 0, 380, 420, 0, 500, 430, 10}, {200, 300, 400, 500, 500, 600, 700, 800, 1000},
        {500, 600, 700, 800, 900}, true, false, u"Left out of the best times"},
    {u"ハルカ", 11, 5, {101, 890, 1180, 420, 400, 910, 580, 640, 10}, {330, 420, 540, 610, 640, 710, 820, 950, 1480},
        {660, 730, 790, 930, 1280}, false, false, u"テクニック担当\r\nレスタ、シフタ"},
};

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output.pd3>\n", argv[0]);
        return 2;
    }
    Roster roster = makeRoster(1);
    for (const Sample& s : SAMPLES) {
        RecordPtr rec = makeRecord();
        rec->setName(sjis(s.name));
        rec->wtype = s.wtype;
        rec->id = s.id;
        std::copy(s.status.begin(), s.status.end(), rec->status.begin());
        std::copy(s.ep1.begin(), s.ep1.end(), rec->ep1time.begin());
        std::copy(s.ep2.begin(), s.ep2.end(), rec->ep2time.begin());
        rec->ep1time[EP1_TOTAL] = ep1StageSum(*rec);
        rec->ep2time[EP2_TOTAL] = ep2StageSum(*rec);
        rec->nocount = s.nocount;
        rec->lock = s.lock;
        rec->memo = sjis(s.memo);
        roster.push_back(std::move(rec));
    }
    BestTimes best;
    recomputeEp1Best(roster, best);
    recomputeEp2Best(roster, best);
    try {
        saveRoster(argv[1], roster);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
