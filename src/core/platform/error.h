#pragma once
// The errors this program raises. Each carries the message of the standard error
// report (UTF-8); the report itself is a window matter (platform/errorreport.h).
//
// Every reader and writer of a file reports a failure by throwing an Error; its
// kind lets the few callers to whom one failure is normal (a missing last roster
// at start) pass over that kind with `ignoring` and let every other go on.

#include <stdexcept>
#include <string>
#include <string_view>

namespace qvr {

class Error : public std::runtime_error {
public:
    enum class Kind {
        Other,
        NotInteger,
        CannotOpen,
        NotRoster,
        CannotCreate,
        RosterNotReplaced,
        Write,
        ListIndex,
        CannotWriteSettings,
    };

    explicit Error(const std::string& message, Kind kind = Kind::Other) : std::runtime_error(message), kind_(kind) { }
    Kind kind() const { return kind_; }

private:
    Kind kind_;
};

// "'%s' は整数ではありません"
Error errNotInteger(std::string_view text);
// "ファイル %s は開けません"
Error errCannotOpen(std::string_view path);
// "ファイル %s は名簿ファイルとして読めません"
Error errNotRoster(std::string_view path);
// "ファイル %s を作成できません"
Error errCannotCreate(std::string_view path);
// "ファイル %s は名簿ファイルのため上書きしません"
Error errRosterNotReplaced(std::string_view path);
// "ストリームへの書き込みエラー"
Error errWrite();
// "リストのインデックスが範囲を超えています (%d)"
Error errListIndex(long long index);
// "%s に書き込めません"
Error errCannotWriteSettings(std::string_view path);

// Runs `work`; false when it threw an Error of the kind given, which is passed
// over. Every other failure goes on to the caller.
template <typename Work>
bool ignoring(Error::Kind kind, Work&& work)
{
    try {
        work();
        return true;
    } catch (const Error& e) {
        if (e.kind() != kind)
            throw;
        return false;
    }
}

} // namespace qvr
