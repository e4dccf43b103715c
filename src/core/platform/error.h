#pragma once
// The errors this program raises. Each carries the message of the standard error
// report (UTF-8); the report itself is a window matter (platform/errorreport.h).

#include <stdexcept>
#include <string>
#include <string_view>

namespace qvr {

class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message) : std::runtime_error(message) { }
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

} // namespace qvr
