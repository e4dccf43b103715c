#pragma once
// A version-2 file with one character, "Old", and 49 empty slots.

#include "interchange/ver2import.h"

#include <QByteArray>
#include <QFile>
#include <QTest>

inline void writeVer2(const QString& path)
{
    QByteArray bytes(int(qvr::VER2_SLOT_SIZE * qvr::VER2_SLOT_COUNT), '\0');
    for (std::size_t s = 0; s < qvr::VER2_SLOT_COUNT; ++s)
        bytes.replace(int(s * qvr::VER2_SLOT_SIZE), 4, "name");
    bytes.replace(0, 4, QByteArray("Old\0", 4));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}
