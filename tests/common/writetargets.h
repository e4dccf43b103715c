#pragma once
// The files this program writes, one writer each, all from one large roster: the
// fault tests try every one of them against a device that fails.

#include "interchange/exports.h"
#include "roster/rosterfile.h"
#include "settings/profilefile.h"

#include <string>
#include <utility>

enum class Target { Roster, Csv, Html, Xml, Settings };

inline constexpr std::pair<const char*, Target> WRITE_TARGETS[] = {{"roster", Target::Roster}, {"csv", Target::Csv},
    {"html", Target::Html}, {"xml", Target::Xml}, {"settings", Target::Settings}};

// Three thousand characters with memos: every writer fills many device blocks.
inline const qvr::Roster& largeRoster()
{
    static const qvr::Roster roster = [] {
        qvr::Roster r = qvr::makeRoster(1);
        for (int k = 0; k < 3000; ++k) {
            qvr::RecordPtr rec = qvr::makeRecord();
            rec->setName(std::to_string(k));
            rec->memo.assign(200, 'm');
            r.push_back(std::move(rec));
        }
        return r;
    }();
    return roster;
}

// Writes the target's file at `path`; the HTML export reads its head from `headPath`.
inline void writeTarget(
    Target target, const std::string& path, const std::string& headPath, const qvr::MainSettings& settings)
{
    qvr::ExportOptions all;
    all.outStatus = all.outMemo = true;
    switch (target) {
    case Target::Roster: qvr::saveRoster(path, largeRoster()); break;
    case Target::Csv: qvr::exportCsv(path, largeRoster()); break;
    case Target::Html: qvr::exportHtml(path, largeRoster(), all, headPath); break;
    case Target::Xml: qvr::exportXml(path, largeRoster(), all); break;
    case Target::Settings: qvr::writeMainSettings(path, settings); break;
    }
}
