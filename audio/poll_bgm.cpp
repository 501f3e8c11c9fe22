// The music loop: BgmTim's tick asks the device for its mode and starts the music again once it has
// stopped at the end of the file. Looping rests on this poll alone; no notification is ever posted.
#include <cstdint>
#include <string>

#include "app/fom.h"
#include "audio/shared_routines.h"
#include "platform/media/mci.h"
#include "platform/runtime/vb_strings.h"

void Fom::PollBgm() {
  // A 16-character blank buffer offered as 15: the device's reply and its zero land at the front, the
  // rest stays blank, and a failed query leaves all of it blank.
  char reply[16];
  std::string(16, ' ').copy(reply, 16);
  mciSendStringA("status MIDI mode", reply, 15, 0);
  // The device answers in lower case; the comparison upper-cases the first 7 characters first.
  const std::string mode = platform::UCase(std::string(reply, 7));
  if (mode == "STOPPED" && BgmLoop == -1) {
    mciSendStringA("seek MIDI to start", nullptr, 0, 0);
    mciSendStringA("play MIDI from 0", nullptr, 0, 0);
  }
}
