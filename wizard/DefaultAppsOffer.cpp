#include "wizard/DefaultAppsOffer.h"

#include "association/AssociationTexts.h"
#include "association/Catalogue.h"
#include "association/DefaultApps.h"
#include "wizard/Texts.h"

#include <windows.h>

#include <string>

namespace DefaultAppsOffer {

namespace {

// The window is hidden by now: the messages have no owner, as the success
// message has none.
int Show(std::wstring_view text, UINT kind) {
    return MessageBoxW(nullptr, std::wstring(text).c_str(),
                       std::wstring(Texts::kDefaultApps.title).c_str(), kind);
}

std::wstring WithWayByHand(std::wstring_view before) {
    return Texts::MessageText(std::wstring(before) + std::wstring(AssociationTexts::kWayByHand));
}

// "BMP", as the type list names the types.
std::wstring TypeName(int listIndex) {
    std::wstring name(Catalogue::FileTypeAt(listIndex)->ExtensionWithoutDot());
    for (wchar_t& c : name)
        c = c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c;
    return name;
}

// The types Windows opens with another class, with what opens them; empty
// where every type opens with its own, or Windows could not be asked.
std::wstring OverriddenTypes(const std::vector<int>& listIndices) {
    std::wstring lines;
    for (const DefaultApps::Effective& type : DefaultApps::EffectiveDefaults(listIndices))
        if (!type.Unknown() && !type.OwnClass())
            lines += L"\r\n    " + TypeName(type.listIndex) + L": " + type.openedBy;
    return lines;
}

} // namespace

void Offer(const std::vector<int>& listIndices) {
    if (listIndices.empty())
        return;
    // Another account's answers say nothing of the signed-in user's choice.
    if (!DefaultApps::RunsAsSignedInUser()) {
        Show(WithWayByHand(Texts::kDefaultApps.otherAccount), MB_OK | MB_ICONINFORMATION);
        return;
    }
    const std::wstring overridden = OverriddenTypes(listIndices);
    if (overridden.empty())
        return;
    const std::wstring question = std::wstring(Texts::kDefaultApps.notInEffect) + overridden +
                                  L"\r\n\r\n" +
                                  std::wstring(Texts::kDefaultApps.onlyTheUserChooses);
    if (Show(question, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    if (!DefaultApps::OpenSettings())
        Show(WithWayByHand(Texts::kDefaultApps.settingsNotOpened), MB_OK | MB_ICONINFORMATION);
}

} // namespace DefaultAppsOffer
