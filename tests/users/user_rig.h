#pragma once
// What both random users' rigs share: a dialog on a dialog thread of its own (ThreadedDialogRig)
// and, for each dialog, a fresh simulated card on its own thread, faster than real time, with a
// voice on its microphone, as each run of a program opens the devices anew (and the card's record
// of what it played starts empty). Every rule violation of the card and the dispatcher lands in
// the ViolationLog.
//
// Thread: the test's thread for the members, except where noted.

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "platform/sim/mic_signal.h"
#include "platform/sim/sim_sound_card.h"
#include "tests/support/threaded_dialog_rig.h"
#include "tests/users/user_session.h"

namespace random_user {

template <class Dlg>
class UserRig : public zav::test::ThreadedDialogRig<Dlg> {
  public:
    // The window and the dialog go (on the dialog thread), then the card.
    void EndDialog() {
        this->CloseDialog();
        if (card_ != nullptr) {
            card_->StopThreads();
            card_.reset();  // reports a device or hold left open
        }
    }

    // Thread: dialog, while a dialog runs.
    zav::platform::sim::SimSoundCard& Card() { return *card_; }

    // The user's actions that both dialogs offer. Thread: dialog, while a dialog runs.
    // Drags slider id to a random place, now and then beyond the ends of 0 to maximum, as a
    // keyboard or a wild drag might ask; detail tells where.
    bool MoveSliderAtRandom(Dice& dice, int id, int maximum, std::string& detail) {
        const int position = dice.Between(-100, maximum + 100);
        const auto code = static_cast<zav::platform::ScrollCode>(
            dice.Between(0, static_cast<int>(zav::platform::ScrollCode::EndTrack)));
        detail = std::to_string(position) + " code " + std::to_string(static_cast<int>(code));
        return this->Window().MoveSlider(id, position, code);
    }
    // Chooses the About item (command) of the window menu; fault tells when that did not run
    // the About box (aboutId).
    bool ChooseAbout(Dice& dice, std::uint32_t command, int aboutId, std::string& fault) {
        const std::size_t before = this->Runner().Runs().size();
        // The host keeps the low four bits of a menu command for itself.
        if (!this->Window().ChooseSystemCommand(command |
                                                static_cast<std::uint32_t>(dice.Between(0, 15))))
            return false;
        const auto& runs = this->Runner().Runs();
        if (runs.size() != before + 1 || runs.back().templateId != aboutId)
            fault = "the About item did not run the About box";
        return true;
    }

  protected:
    explicit UserRig(ViolationLog& violations) : violations_(violations) {
        this->Thread().SetViolationHandler(violations_.Handler("dispatcher"));
    }
    ~UserRig() { EndDialog(); }

    // A fresh card whose time runs speed times faster than real time, with voice on its
    // microphone, and a new dialog on the services that services(card) makes; true when the
    // dialog runs.
    template <class MakeServices>
    bool StartOn(double speed, zav::platform::sim::MicSignal voice, MakeServices services) {
        EndDialog();
        zav::platform::sim::SimCardConfig config;
        config.mic = std::move(voice);
        card_ = std::make_unique<zav::platform::sim::SimSoundCard>(std::move(config));
        card_->SetViolationHandler(violations_.Handler("card"));
        card_->StartThreads(std::chrono::milliseconds(1), speed);
        return this->OpenDialog(services(*card_));
    }

    ViolationLog& violations_;

  private:
    std::unique_ptr<zav::platform::sim::SimSoundCard> card_;
};

}  // namespace random_user
