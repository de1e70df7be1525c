#include "site/sound_info.h"

#include "forms/main_window_form.h"
#include "forms/ui_colors.h"
#include "platform/gui/answering_wait.h"
#include "platform/gui/control_ops.h"
#include "platform/gui/cover_image.h"
#include "platform/gui/window_services.h"
#include "platform/net/url_fetch.h"
#include "player/playback_control.h"
#include "site/site_address.h"
#include "state/program_state.h"
#include "text/escape_decoding.h"
#include "text/marker_cut.h"
#include "web/web_get_text.h"

namespace veldo {
namespace {

// Covers are small pictures; anything larger is not worth decoding.
constexpr std::size_t kMaxCoverBytes = std::size_t{16} << 20;
// A real record is a few kilobytes of JSON at most; anything past this is refused whole, before its
// escapes are decoded.
constexpr std::size_t kMaxSoundRecordBytes = std::size_t{1} << 20;
// Between reading the record and fetching its cover.
constexpr int kPauseAfterRecordMs = 100;

} // namespace

bool LoadSoundInfo(const Text& id) {
    const Text url = "http://" + InfoHost() + "/sound/info?sound_id=" + id;
    // Each wait answers the window meanwhile; an abandoned one ends the load there.
    const std::optional<Text> record =
        WaitAnswering<Text>([url] { return WebGetText(url, kMaxSoundRecordBytes); });
    if (!record) return false;
    soundInfoText = DecodeEscapes(*record);
    emit ProgramStateEvents().soundInfoTextChanged();
    if (!PauseAnswering(kPauseAfterRecordMs)) return false;

    // Each search starts at the top of the record: the first occurrence anywhere wins.
    currentSound.pic = TextBetween(soundInfoText, "\"pic\":\"", "\",\"");
    currentSound.source = TextBetween(soundInfoText, "\",\"source\":\"", "\",\"");
    currentSound.name = TextBetween(soundInfoText, "\"name\":\"", "\",\"");
    emit ProgramStateEvents().currentSoundChanged();

    if (mainWindow == nullptr) return true;
    // Only http and https addresses are fetched; anything else leaves the box empty. The
    // picture is decoded on the worker too.
    const Text pic = currentSound.pic;
    const std::optional<QImage> cover = WaitAnswering<QImage>(
        [pic] { return DecodeCoverImage(FetchUrlBytes(pic, kMaxCoverBytes)); });
    if (!cover || mainWindow == nullptr) return false;
    SetPicture(mainWindow->图片框1, *cover);
    SetPictureMode(mainWindow->图片框1, PictureBox::kScaled);
    SetCaption(mainWindow->标签1, currentSound.name);
    AttachTooltip(mainWindow->标签1, currentSound.name, false, true);
    return true;
}

void OnSearchButtonClicked() {
    if (mainWindow == nullptr) return;
    SetOutlineColor(mainWindow->外形框1, kIdleOutlineColor);
    ResetPlayer();
    enteredSoundId = TextRightOfLast(GetEditText(mainWindow->编辑框1), "sound/");
    emit ProgramStateEvents().enteredSoundIdChanged();
    LoadSoundInfo(enteredSoundId);
}

} // namespace veldo
