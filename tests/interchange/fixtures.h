#pragma once
// Rosters and file helpers shared by the interchange tests.

#include <QByteArray>
#include <QFile>
#include <QString>

#include <string>
#include <string_view>

#include "roster/charrecord.h"

namespace fixture {

inline qvr::CharRecord& add(
    qvr::Roster& roster, std::string_view name, int id = 0, int wtype = 0, std::string memo = {})
{
    roster.push_back(qvr::makeRecord());
    qvr::CharRecord& rec = *roster.back();
    rec.setName(name);
    rec.id = id;
    rec.wtype = wtype;
    rec.memo = std::move(memo);
    return rec;
}

// A roster whose placeholder holds data, so that writing it would show.
inline qvr::Roster withPlaceholder()
{
    qvr::Roster roster = qvr::makeRoster(1);
    roster[0]->setName("PLACEHOLDER");
    roster[0]->memo = "never exported";
    return roster;
}

inline QByteArray readBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

inline bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

inline QByteArray bytes(std::string_view s) { return QByteArray(s.data(), qsizetype(s.size())); }

} // namespace fixture
