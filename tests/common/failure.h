#pragma once
// Whether a piece of work failed with the kind of error a caller tells apart.

#include "platform/error.h"

template <typename Work>
bool failsAs(qvr::Error::Kind kind, Work&& work)
{
    try {
        work();
    } catch (const qvr::Error& e) {
        return e.kind() == kind;
    }
    return false;
}
