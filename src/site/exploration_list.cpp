#include "site/exploration_list.h"

#include "forms/list_window_form.h"
#include "forms/main_window_form.h"
#include "platform/gui/answering_wait.h"
#include "platform/gui/control_ops.h"
#include "platform/gui/runtime_services.h"
#include "player/playback_control.h"
#include "site/site_address.h"
#include "site/site_texts.h"
#include "site/sound_info.h"
#include "state/program_state.h"
#include "text/marker_cut.h"
#include "text/pattern_extraction.h"
#include "web/web_get_text.h"

namespace veldo {
namespace {

// Each sound of the listing stands between these (letter case ignored).
constexpr char kEntryLeftMarker[] = " <h3 class=\"voice-name\"><a href=\"/sound/";
constexpr char kEntryRightMarker[] = "</a></h3>";
// A real listing page of 15 sounds is well under a megabyte; anything past this is refused whole.
constexpr std::size_t kMaxListingBytes = std::size_t{8} << 20;
constexpr char kSoundsPerPage[] = "15";
constexpr char kFirstPage[] = "1";

} // namespace

void OnListWindowCreated() {
    if (listWindow != nullptr) SetLeft(listWindow, 0);
    LoadExplorationPage(kFirstPage);
}

bool LoadExplorationPage(const Text& page) {
    const Text url =
        "http://" + PageHost() + "/sound/exploration?page=" + page + "&per-page=" + kSoundsPerPage;
    const std::optional<Text> body =
        WaitAnswering<Text>([url] { return WebGetText(url, kMaxListingBytes); });
    if (!body) return false;
    explorationPageText = *body;
    emit ProgramStateEvents().explorationPageTextChanged();

    // The list box and the entries are emptied and filled together, so item k is entry k.
    if (listWindow != nullptr) ClearListBox(listWindow->列表框1);
    explorationEntries.clear();
    AllTextsBetween(explorationPageText, kEntryLeftMarker, kEntryRightMarker, explorationEntries);
    emit ProgramStateEvents().explorationEntriesChanged();
    if (listWindow == nullptr) return true;
    for (const Text& entry : explorationEntries)
        AddListItem(listWindow->列表框1, TextRightOfLast(entry, ">"));
    return true;
}

void OnListEntryChosen() {
    ResetPlayer();
    if (listWindow == nullptr) return;
    const int selected = SelectedListIndex(listWindow->列表框1);
    if (selected < 0 || static_cast<std::size_t>(selected) >= explorationEntries.size()) return;
    const Text id = TextLeftOf(explorationEntries[static_cast<std::size_t>(selected)], "\"");
    if (!LoadSoundInfo(id)) return;
    if (mainWindow != nullptr) SetEditText(mainWindow->编辑框1, SoundPageAddress(id));
    PlayCurrentSound();
}

void OnPageArrowClicked() {
    ShowInformationMessage(kNotYetAddedMessage);
}

} // namespace veldo
