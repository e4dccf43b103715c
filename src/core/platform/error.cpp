#include "platform/error.h"

namespace qvr {

namespace {
Error make(Error::Kind kind, std::string_view before, std::string_view arg, std::string_view after)
{
    std::string m;
    m.reserve(before.size() + arg.size() + after.size());
    m.append(before).append(arg).append(after);
    return Error(m, kind);
}
} // namespace

Error errNotInteger(std::string_view text)
{
    return make(Error::Kind::NotInteger, "'", text, "' は整数ではありません");
}
Error errCannotOpen(std::string_view path) { return make(Error::Kind::CannotOpen, "ファイル ", path, " は開けません"); }
Error errNotRoster(std::string_view path)
{
    return make(Error::Kind::NotRoster, "ファイル ", path, " は名簿ファイルとして読めません");
}
Error errCannotCreate(std::string_view path)
{
    return make(Error::Kind::CannotCreate, "ファイル ", path, " を作成できません");
}
Error errRosterNotReplaced(std::string_view path)
{
    return make(Error::Kind::RosterNotReplaced, "ファイル ", path, " は名簿ファイルのため上書きしません");
}
Error errWrite() { return Error("ストリームへの書き込みエラー", Error::Kind::Write); }
Error errListIndex(long long index)
{
    return make(Error::Kind::ListIndex, "リストのインデックスが範囲を超えています (", std::to_string(index), ")");
}
Error errCannotWriteSettings(std::string_view path)
{
    return make(Error::Kind::CannotWriteSettings, "", path, " に書き込めません");
}

} // namespace qvr
