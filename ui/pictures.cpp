// Picture display: every picture is loaded into the hidden buffer E and stretch-painted from there over a
// whole picture box.
#include "app/fom.h"
#include "platform/runtime/app.h"

void Fom::ShowPicture(const std::string& name) {
  note("picture", name);
  Pic.Cls();
  if (!name.empty()) {
    // The name is used as the scenario wrote it: no trimming, so "a " loads "a .jpg". Read afresh every
    // time; nothing is cached.
    std::string path = ImgDir + name + ".jpg";
    std::string error;
    // Pic's size now is the most the picture will be painted at, so E may hold it decoded at that.
    if (!E.LoadPicture(path, &error, static_cast<int>(Pic.clientWidthPx() + 0.5f),
                       static_cast<int>(Pic.clientHeightPx() + 0.5f))) {
      // E keeps the picture it held, and that one is shown instead: the scene stays readable.
      platform::reportProblem("picture \"" + name + "\" not shown (" + error + ")");
    }
  }
  PaintFromBuffer(Pic);
}

void Fom::PaintFromBuffer(platform::PictureBox& target) {
  // Both boxes stay in pixels afterwards; the labels over Pic keep their places, as they are kept in
  // pixels, and the next layout gives Pic its unit square again.
  target.setScaleModePixels();
  E.setScaleModePixels();
  if (!E.hasPicture()) {
    target.Cls();  // nothing was ever loaded: the box shows its background
    return;
  }
  target.PaintPicture(E, 0, 0, target.ScaleWidth(), target.ScaleHeight(), 0, 0, E.ScaleWidth(),
                      E.ScaleHeight());
}
