// The GDI renderer: every frame is drawn whole into the back buffer and copied to the window; the scene
// is a handful of controls, and GDI's own stretch (halftone) and text calls do the work.
#include "platform/win32/gdi_renderer.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "platform/runtime/display.h"
#include "platform/runtime/form.h"
#include "platform/runtime/label.h"
#include "platform/runtime/option_button.h"
#include "platform/runtime/picture_box.h"
#include "platform/runtime/shade.h"
#include "platform/runtime/text_layout.h"
#include "platform/runtime/utf16.h"

namespace platform {

namespace {

constexpr Color kTooltipBack = rgb(255, 255, 225);
constexpr const char* kTooltipFont = "MS UI Gothic";
constexpr float kTooltipPointSize = 9.0f;
constexpr int kRadioDiameterAt96Px = 13;

COLORREF toColorRef(Color c) { return RGB(redOf(c), greenOf(c), blueOf(c)); }

void fill(HDC dc, const RECT& r, Color c) {
  SetDCBrushColor(dc, toColorRef(c));
  FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

void frame(HDC dc, const RECT& r) {
  SetDCBrushColor(dc, RGB(0, 0, 0));
  FrameRect(dc, &r, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

RECT toRect(const RectF& f, int ox, int oy) {
  return RECT{ox + static_cast<LONG>(std::lround(f.x)), oy + static_cast<LONG>(std::lround(f.y)),
              ox + static_cast<LONG>(std::lround(f.x + f.w)), oy + static_cast<LONG>(std::lround(f.y + f.h))};
}

// Stretch part of a picture (source rectangle in its pixels) onto a destination rectangle, smoothly.
void stretch(HDC dc, const Image& image, float sx, float sy, float sw, float sh, const RECT& dst) {
  if (image.empty()) return;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = image.width;
  info.bmiHeader.biHeight = -image.height;  // top-down, as the pixels are kept
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  SetStretchBltMode(dc, HALFTONE);
  SetBrushOrgEx(dc, 0, 0, nullptr);
  // StretchDIBits counts source rows from the bottom of a top-down bitmap's rectangle; giving the whole
  // rectangle in top-down terms works on every GDI when the height is the image's own.
  StretchDIBits(dc, dst.left, dst.top, dst.right - dst.left, dst.bottom - dst.top, static_cast<int>(sx),
                static_cast<int>(sy), std::max(1, static_cast<int>(std::lround(sw))),
                std::max(1, static_cast<int>(std::lround(sh))), image.pixels.data(), &info, DIB_RGB_COLORS,
                SRCCOPY);
}

}  // namespace

GdiRenderer::GdiRenderer() : dc_(CreateCompatibleDC(nullptr)) {}

GdiRenderer::~GdiRenderer() {
  if (oldBitmap_) SelectObject(dc_, oldBitmap_);
  if (bitmap_) DeleteObject(bitmap_);
  DeleteDC(dc_);
}

void GdiRenderer::resize(int width, int height) {
  width = std::max(1, width), height = std::max(1, height);
  if (bitmap_ && width == width_ && height == height_) return;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP made = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!made) return;  // keeps the old buffer: the frame is drawn clipped rather than not at all
  if (oldBitmap_) SelectObject(dc_, oldBitmap_);
  if (bitmap_) DeleteObject(bitmap_);
  bitmap_ = made;
  oldBitmap_ = SelectObject(dc_, bitmap_);
  bits_ = static_cast<uint32_t*>(bits);
  width_ = width, height_ = height;
}

void GdiRenderer::draw(const Form& form, int width, int height, int originX, int originY,
                       const GdiTooltip* tooltip) {
  resize(width, height);
  if (!bitmap_) return;
  const RECT all{0, 0, width_, height_};
  SelectClipRgn(dc_, nullptr);
  fill(dc_, all, rgb(0, 0, 0));
  const RECT client{originX, originY, originX + static_cast<LONG>(std::lround(form.clientWidthPx())),
                    originY + static_cast<LONG>(std::lround(form.clientHeightPx()))};
  RECT clip{};
  IntersectRect(&clip, &all, &client);
  fill(dc_, clip, form.BackColor());
  for (const Control* child : form.children()) drawControl(*child, clip, originX, originY);
  SelectClipRgn(dc_, nullptr);
  if (tooltip && !tooltip->text.empty()) drawTooltip(*tooltip, originX, originY);
  GdiFlush();
}

void GdiRenderer::present(HDC target) const {
  if (bitmap_) BitBlt(target, 0, 0, width_, height_, dc_, 0, 0, SRCCOPY);
}

Color GdiRenderer::pixel(int x, int y) const {
  if (!bits_ || x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  const uint32_t p = bits_[static_cast<size_t>(y) * width_ + x];
  return rgb((p >> 16) & 255, (p >> 8) & 255, p & 255);
}

void GdiRenderer::drawControl(const Control& c, const RECT& parentClip, int ox, int oy) {
  if (!c.Visible()) return;
  const RECT rect = toRect(c.windowRect(), ox, oy);
  RECT clip{};
  if (!IntersectRect(&clip, &rect, &parentClip)) return;
  HRGN region = CreateRectRgnIndirect(&clip);
  SelectClipRgn(dc_, region);
  DeleteObject(region);
  switch (c.kind()) {
    case ControlKind::PictureBox:
      drawPictureBox(static_cast<const PictureBox&>(c), rect);
      break;
    case ControlKind::Label: {
      const auto& label = static_cast<const Label&>(c);
      if (label.BackStyleOpaque()) fill(dc_, rect, label.BackColor());
      drawCaption(label.Caption(), label.FontName(), label.FontBold(), label.FontSize(), label.ForeColor(),
                  rect, false);
      if (label.BorderStyle()) frame(dc_, rect);
      break;
    }
    case ControlKind::OptionButton:
      drawOptionButton(static_cast<const OptionButton&>(c), rect);
      break;
    case ControlKind::Shade:
      drawShade(static_cast<const Shade&>(c), clip);
      break;
    case ControlKind::Form:
      break;
  }
  for (const Control* child : c.children()) drawControl(*child, clip, ox, oy);
}

void GdiRenderer::drawPictureBox(const PictureBox& box, const RECT& rect) {
  fill(dc_, rect, box.BackColor());
  const int inset = box.BorderStyle() ? PictureBox::kBorderPx : 0;
  const RECT inner{rect.left + inset, rect.top + inset, rect.right - inset, rect.bottom - inset};
  if (const PictureBox::Painting* p = box.painting()) {
    // The painting's rectangles are in the box's pixels when it was painted; the box may have been sized
    // since, so they scale with it, as retained pixels would.
    const float kx = p->width > 0 ? (inner.right - inner.left) / static_cast<float>(p->width) : 1.0f;
    const float ky = p->height > 0 ? (inner.bottom - inner.top) / static_cast<float>(p->height) : 1.0f;
    const RECT dst{inner.left + static_cast<LONG>(std::lround(p->dx * kx)),
                   inner.top + static_cast<LONG>(std::lround(p->dy * ky)),
                   inner.left + static_cast<LONG>(std::lround((p->dx + p->dw) * kx)),
                   inner.top + static_cast<LONG>(std::lround((p->dy + p->dh) * ky))};
    stretch(dc_, *p->source, p->sx, p->sy, p->sw, p->sh, dst);
  } else if (!box.retained().empty()) {
    const Image& held = box.retained();
    stretch(dc_, held, 0, 0, static_cast<float>(held.width), static_cast<float>(held.height), inner);
  }
  if (box.BorderStyle()) frame(dc_, rect);
}

// GDI has no blend of a plain colour: the back buffer's own pixels are blended, by the runtime's rule.
void GdiRenderer::drawShade(const Shade& shade, const RECT& clip) {
  if (!bits_) return;
  GdiFlush();  // what GDI still holds in its batch must be in the pixels first
  const LONG left = std::max<LONG>(clip.left, 0), right = std::min<LONG>(clip.right, width_);
  const LONG top = std::max<LONG>(clip.top, 0), bottom = std::min<LONG>(clip.bottom, height_);
  for (LONG y = top; y < bottom; ++y) {
    uint32_t* row = bits_ + static_cast<size_t>(y) * width_;
    for (LONG x = left; x < right; ++x) {
      const uint32_t p = row[x];
      const Color c =
          shadeBlend(rgb((p >> 16) & 255, (p >> 8) & 255, p & 255), shade.BackColor(), shade.Opacity());
      row[x] = (static_cast<uint32_t>(redOf(c)) << 16) | (static_cast<uint32_t>(greenOf(c)) << 8) |
               static_cast<uint32_t>(blueOf(c));
    }
  }
}

void GdiRenderer::drawOptionButton(const OptionButton& button, const RECT& rect) {
  fill(dc_, rect, button.BackColor());
  const float scale = displayDpi() / kClassicDpi;
  const int d = std::max(5, static_cast<int>(std::lround(kRadioDiameterAt96Px * scale)));
  const int pad = static_cast<int>(std::lround(2 * scale));
  const int top = (rect.top + rect.bottom) / 2 - d / 2;
  SelectObject(dc_, GetStockObject(DC_PEN));
  SelectObject(dc_, GetStockObject(DC_BRUSH));
  SetDCPenColor(dc_, RGB(128, 128, 128));
  SetDCBrushColor(dc_, RGB(255, 255, 255));
  Ellipse(dc_, rect.left + pad, top, rect.left + pad + d, top + d);
  if (button.Value()) {
    const int dot = std::max(2, d * 9 / 20);
    const int x = rect.left + pad + d / 2 - dot / 2, y = top + d / 2 - dot / 2;
    SetDCPenColor(dc_, RGB(0, 0, 0));
    SetDCBrushColor(dc_, RGB(0, 0, 0));
    Ellipse(dc_, x, y, x + dot, y + dot);
  }
  const LONG textX = rect.left + pad + d + static_cast<LONG>(std::lround(4 * scale));
  const RECT textBox{textX, rect.top, std::max(textX, rect.right - pad), rect.bottom};
  drawCaption(button.Caption(), button.FontName(), false, button.FontSize(), button.ForeColor(), textBox,
              true);
  if (button.BorderStyle()) frame(dc_, rect);
}

void GdiRenderer::drawCaption(const std::string& caption, const std::string& family, bool bold, float points,
                              Color color, const RECT& box, bool vcenter) {
  const int boxW = box.right - box.left, boxH = box.bottom - box.top;
  if (caption.empty() || boxW <= 0 || boxH <= 0) return;
  GdiFont* font = fonts_.font(family, bold, fontPixels(points));
  if (!font) return;
  const int skip = font->lineSkip();
  const size_t maxLines = static_cast<size_t>((boxH + skip - 1) / skip);
  const auto laid = layoutText(caption, static_cast<float>(boxW), maxLines,
                               [font](char32_t ch) { return font->advance(ch); });
  HGDIOBJ old = SelectObject(dc_, font->handle());
  SetBkMode(dc_, TRANSPARENT);
  SetTextColor(dc_, toColorRef(color));
  SetTextAlign(dc_, TA_LEFT | TA_TOP | TA_NOUPDATECP);
  int y = box.top;
  if (vcenter) y += (boxH - static_cast<int>(laid.size()) * skip) / 2;
  for (const LaidLine& line : laid) {
    const std::wstring text =
        wideFromUtf8(std::string(std::string_view(caption).substr(line.begin, line.end - line.begin)));
    // Each character at the advance the layout measured, so that the drawn row is the row laid out.
    std::vector<INT> dx;
    dx.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
      char32_t ch = static_cast<char16_t>(text[i]);
      const bool pair = ch >= 0xD800 && ch < 0xDC00 && i + 1 < text.size();
      if (pair) ch = 0x10000 + ((ch - 0xD800) << 10) + (static_cast<char16_t>(text[i + 1]) - 0xDC00);
      dx.push_back(static_cast<INT>(std::lround(font->advance(ch))));
      if (pair) dx.push_back(0), ++i;
    }
    ExtTextOutW(dc_, box.left, y, 0, nullptr, text.c_str(), static_cast<UINT>(text.size()), dx.data());
    y += skip;
  }
  SelectObject(dc_, old);
}

void GdiRenderer::drawTooltip(const GdiTooltip& tip, int ox, int oy) {
  GdiFont* font = fonts_.font(kTooltipFont, false, fontPixels(kTooltipPointSize));
  if (!font) return;
  const auto laid = layoutText(tip.text, 1e9f, 64, [font](char32_t ch) { return font->advance(ch); });
  float widest = 0;
  for (const LaidLine& l : laid) widest = std::max(widest, l.width);
  const float scale = displayDpi() / kClassicDpi;
  const int pad = static_cast<int>(std::lround(3 * scale));
  const int skip = font->lineSkip();
  const int w = static_cast<int>(std::ceil(widest)) + 2 * pad + 2;
  const int h = static_cast<int>(laid.size()) * skip + 2 * pad;
  // Below and a little right of the pointer; above it when there is no room below; never outside.
  int x = ox + static_cast<int>(std::lround(tip.pointerX));
  int y = oy + static_cast<int>(std::lround(tip.pointerY + 20 * scale));
  if (y + h > height_) y = oy + static_cast<int>(std::lround(tip.pointerY - 4 * scale)) - h;
  x = std::clamp(x, 0, std::max(0, width_ - w));
  y = std::clamp(y, 0, std::max(0, height_ - h));
  const RECT box{x, y, x + w, y + h};
  fill(dc_, box, kTooltipBack);
  frame(dc_, box);
  const RECT inner{x + pad + 1, y + pad, x + w - pad, y + h - pad};
  drawCaption(tip.text, kTooltipFont, false, kTooltipPointSize, rgb(0, 0, 0), inner, false);
}

}  // namespace platform
