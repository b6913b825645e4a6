#include "unattended/AssociationFile.h"

#include "association/Catalogue.h"
#include "association/DefaultApps.h"
#include "common/Failure.h"
#include "common/SystemError.h"
#include "common/Text.h"
#include "services/FileDirPath.h"
#include "services/TemporaryFile.h"
#include "unattended/Messages.h"
#include "unattended/SilentTexts.h"

#include <windows.h>

#include <algorithm>
#include <iterator>
#include <utility>

namespace AssociationFile {

namespace {

[[noreturn]] void Fail(const std::wstring& path, DWORD error) {
    throw Failure(Text::Fill(SilentTexts::kAssociationFileNotWritten,
                             {Text::Quoted(path), ErrorCode(error)}));
}

} // namespace

std::wstring Escaped(std::wstring_view text) {
    static constexpr std::pair<wchar_t, std::wstring_view> kEntities[] = {
        {L'&', L"&amp;"}, {L'<', L"&lt;"}, {L'>', L"&gt;"}, {L'"', L"&quot;"}, {L'\'', L"&apos;"}};
    std::wstring escaped;
    for (wchar_t c : text) {
        const auto* entity = std::find_if(std::begin(kEntities), std::end(kEntities),
                                          [c](const auto& entry) { return entry.first == c; });
        if (entity != std::end(kEntities))
            escaped += entity->second;
        else
            escaped += c;
    }
    return escaped;
}

std::wstring Text(const std::vector<int>& listIndices) {
    std::wstring text = L"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<DefaultAssociations>\r\n";
    for (int listIndex : listIndices) {
        const Catalogue::FileType& type = *Catalogue::FileTypeAt(listIndex);
        text += L"  <Association Identifier=\"" + Escaped(type.extension) + L"\" ProgId=\"" +
                Escaped(type.className) + L"\" ApplicationName=\"" +
                Escaped(DefaultApps::kApplicationName) + L"\" />\r\n";
    }
    return text + L"</DefaultAssociations>\r\n";
}

void Write(const std::wstring& path, const std::vector<int>& listIndices) {
    const std::wstring folder = path.substr(0, path.find_last_of(L'\\'));
    FileDirPath::CreateFolders(folder);
    TemporaryFile temporary(folder, L"~" + path.substr(folder.size() + 1));
    DWORD error = temporary.Created();
    if (error == ERROR_SUCCESS)
        error = temporary.Write(Utf8(Text(listIndices)));
    // Group policy may read the file at any time: it is replaced whole.
    if (error == ERROR_SUCCESS)
        error = temporary.MoveTo(path, true);
    if (error != ERROR_SUCCESS)
        Fail(path, error);
}

} // namespace AssociationFile
