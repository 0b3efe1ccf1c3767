// The preview's GIF animation: frames composed after the previous frame's disposal,
// passes as the loop count says, the stated delays, and the timer that plays them.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <memory>
#include <string>
#include <vector>

#include "formats/formats.h"
#include "gif/gifread.h"
#include "preview/PreviewImage.h"
#include "preview/gif_animator.h"
#include "preview_fixtures.h"
#include "test_util.h"

using namespace velora;
using velora::app::TGifAnimator;
using velora::app::TPreviewImage;
using velora::test::At;
using velora::test::GifFrameLayout;
using velora::test::GifLayout;
using velora::test::Grab;

namespace {

const QRgb kBackground = qRgb(40, 90, 160);
const QRgb kRed = qRgb(255, 0, 0), kGreen = qRgb(0, 255, 0), kBlue = qRgb(0, 0, 255);
const std::vector<test::GifRgb> kMap = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}};

void Load(TGifPicture& gif, const GifLayout& file) {
  const std::vector<uint8_t> bytes = test::MakeGif(file);
  TBytesStream stream(bytes.data(), bytes.size());
  gif.LoadFromStream(stream);
}

// Three frames covering a 3 x 1 screen in red, green and blue.
GifLayout ThreeColours(std::optional<int> loops) {
  GifLayout file{3, 1, kMap, loops, {}};
  for (uint8_t i = 0; i < 3; ++i) file.frames.push_back(test::SolidFrame(0, 0, 3, 1, i));
  return file;
}

std::vector<QRgb> Row(const QImage& image) {
  std::vector<QRgb> row;
  for (int x = 0; x < image.width(); ++x) row.push_back(At(image, x, 0));
  return row;
}

}  // namespace

TEST(GifAnimator, DelaysFromTheGraphicControl) {
  const std::vector<std::pair<int, int>> cases = {{0, 120}, {1, 36},   {2, 36},    {3, 36},
                                                  {4, 48},  {10, 120}, {250, 3000}};
  for (auto [hundredths, ms] : cases) {
    EXPECT_EQ(TGifAnimator::FrameDelayMs(hundredths), ms) << hundredths;
  }
}

TEST(GifAnimator, PlaysThePassesTheLoopCountGives) {
  struct Case {
    const char* name;
    std::optional<int> loops;
    std::vector<int> frames;  // shown after each step, until the animation ends
  };
  const std::vector<Case> cases = {
      {"no loop extension: once", std::nullopt, {1, 2}},
      {"loop count 1", 1, {1, 2}},
      {"loop count 2", 2, {1, 2, 0, 1, 2}},
      {"loop count 0: endlessly", 0, {1, 2, 0, 1, 2, 0, 1, 2, 0, 1, 2, 0}},
  };
  for (const Case& c : cases) {
    TGifPicture gif;
    Load(gif, ThreeColours(c.loops));
    TGifAnimator animator(gif, kBackground);
    EXPECT_EQ(animator.Frame(), 0);
    std::vector<int> shown;
    while (shown.size() < 12 && animator.Step()) shown.push_back(animator.Frame());
    EXPECT_EQ(shown, c.frames) << c.name;
    if (c.loops != 0) {
      EXPECT_FALSE(animator.HasNext()) << c.name;
      EXPECT_EQ(Row(animator.Image()), (std::vector<QRgb>{kBlue, kBlue, kBlue})) << c.name;
    }
  }
}

TEST(GifAnimator, AppliesEachFramesDisposalBeforeTheNext) {
  // Frame 0 paints the screen red; frame 1 paints x 0..1 green with the disposal under
  // test; frame 2 paints x 2 blue. What x 0 shows under frame 2 is the disposal's work.
  struct Case {
    int disposal;
    QRgb underFrame2;
  };
  const std::vector<Case> cases = {
      {0, kGreen},       // not specified: left in place
      {1, kGreen},       // do not dispose
      {2, kBackground},  // restore to the background
      {3, kRed},         // restore what was there before
      {5, kGreen},       // reserved: left in place
  };
  for (const Case& c : cases) {
    GifLayout file{3, 1, kMap, std::nullopt, {}};
    file.frames.push_back(test::SolidFrame(0, 0, 3, 1, 0));
    GifFrameLayout second = test::SolidFrame(0, 0, 2, 1, 1);
    second.disposal = c.disposal;
    file.frames.push_back(second);
    file.frames.push_back(test::SolidFrame(2, 0, 1, 1, 2));
    TGifPicture gif;
    Load(gif, file);
    TGifAnimator animator(gif, kBackground);
    ASSERT_TRUE(animator.Step());
    EXPECT_EQ(Row(animator.Image()), (std::vector<QRgb>{kGreen, kGreen, kRed})) << c.disposal;
    ASSERT_TRUE(animator.Step());
    EXPECT_EQ(Row(animator.Image()), (std::vector<QRgb>{c.underFrame2, c.underFrame2, kBlue}))
        << c.disposal;
  }
}

TEST(GifAnimator, StartsEachPassOnAClearScreenAndKeepsTransparentPixels) {
  GifLayout file{3, 1, kMap, 0, {}};
  file.frames.push_back(test::SolidFrame(0, 0, 1, 1, 0));
  GifFrameLayout second = test::SolidFrame(0, 0, 3, 1, 1);
  second.pixels = {2, 1, 2};
  second.transparent = 2;  // blue is see-through
  file.frames.push_back(second);
  TGifPicture gif;
  Load(gif, file);
  TGifAnimator animator(gif, kBackground);
  EXPECT_EQ(Row(animator.Image()), (std::vector<QRgb>{kRed, kBackground, kBackground}));
  ASSERT_TRUE(animator.Step());
  EXPECT_EQ(Row(animator.Image()), (std::vector<QRgb>{kRed, kGreen, kBackground}));
  ASSERT_TRUE(animator.Step());
  EXPECT_EQ(animator.Pass(), 1);
  EXPECT_EQ(Row(animator.Image()), (std::vector<QRgb>{kRed, kBackground, kBackground}));
}

TEST(GifAnimator, RefusesAFrameWithoutColours) {
  GifLayout file{2, 1, {}, std::nullopt, {test::SolidFrame(0, 0, 2, 1, 0)}};
  TGifPicture gif;
  Load(gif, file);
  EXPECT_THROW(TGifAnimator(gif, kBackground), EGifError);
}

namespace {

std::unique_ptr<TPreviewImage> ShownPreview() {
  auto preview = std::make_unique<TPreviewImage>();
  QPalette palette = preview->palette();
  palette.setColor(QPalette::Window, QColor::fromRgb(kBackground));
  preview->setPalette(palette);
  preview->SetStretch(true);
  preview->resize(30, 10);
  preview->show();
  QApplication::processEvents();
  return preview;
}

// When the frame shown changed, on a clock: after `before` and no later than `after`
// (both -1 when it did not change).
struct FrameChange {
  qint64 before = -1, after = -1;
};

// Runs events until the frame shown changes.
FrameChange WaitForNextFrame(TPreviewImage& preview, const QElapsedTimer& clock,
                             int timeoutMs = 5000) {
  const int frame = preview.AnimationFrame();
  QTimer guard;  // wakes the loop up should the frame never change
  guard.setSingleShot(true);
  guard.start(timeoutMs);
  while (guard.isActive()) {
    const qint64 before = clock.elapsed();
    QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (preview.AnimationFrame() != frame) return {before, clock.elapsed()};
  }
  return {};
}

}  // namespace

TEST(PreviewAnimation, PlaysTheFramesWithTheirDelaysOnce) {
  test::TempDir dir;
  GifLayout file = ThreeColours(std::nullopt);
  const std::vector<int> delays = {3, 6, 4};  // hundredths: 36, 72 and 48 ms
  for (size_t i = 0; i < 3; ++i) file.frames[i].delay = delays[i];
  const std::string path = dir.Write("anim.gif", test::MakeGif(file));

  auto preview = ShownPreview();
  LoadPictureFile(preview->Picture(), path);
  QElapsedTimer clock;
  clock.start();
  FrameChange shown{clock.elapsed(), -1};  // the first frame's timer starts in the paint
  preview->RepaintNow();
  EXPECT_TRUE(preview->IsAnimating());
  EXPECT_EQ(preview->AnimationFrame(), 0);
  EXPECT_EQ(preview->FrameDelay(), 36);
  EXPECT_EQ(At(Grab(*preview), 15, 5), kRed);

  const std::vector<QRgb> colours = {kRed, kGreen, kBlue};
  for (int frame = 1; frame < 3; ++frame) {
    const FrameChange next = WaitForNextFrame(*preview, clock);
    ASSERT_GE(next.after, 0) << frame;
    // The frame's timer started after `shown.before`; timers never fire early.
    EXPECT_GE(next.after - shown.before, TGifAnimator::FrameDelayMs(delays[frame - 1]) - 1)
        << frame;
    EXPECT_EQ(preview->AnimationFrame(), frame);
    EXPECT_EQ(preview->FrameDelay(), TGifAnimator::FrameDelayMs(delays[frame]));
    EXPECT_EQ(At(Grab(*preview), 15, 5), colours[frame]) << frame;
    shown = next;
  }
  // One pass: the last frame stays.
  EXPECT_FALSE(preview->IsAnimating());
  EXPECT_EQ(WaitForNextFrame(*preview, clock, 200).after, -1);
  EXPECT_EQ(preview->AnimationFrame(), 2);
  EXPECT_FALSE(preview->StepAnimation());
}

TEST(PreviewAnimation, StepsAsTheTimerDoesAndHonoursTheLoopCount) {
  test::TempDir dir;
  GifLayout file = ThreeColours(2);
  file.frames[1].disposal = 2;
  auto preview = ShownPreview();
  LoadPictureFile(preview->Picture(), dir.Write("anim.gif", test::MakeGif(file)));
  preview->RepaintNow();
  std::vector<int> frames;
  while (frames.size() < 10 && preview->StepAnimation()) {
    frames.push_back(preview->AnimationFrame());
    preview->RepaintNow();
  }
  EXPECT_EQ(frames, (std::vector<int>{1, 2, 0, 1, 2}));
  EXPECT_FALSE(preview->IsAnimating());
  EXPECT_EQ(At(Grab(*preview), 15, 5), kBlue);
}

TEST(PreviewAnimation, StopsWhenAnotherPictureLoadsAndPausesWhileHidden) {
  test::TempDir dir;
  GifLayout file = ThreeColours(0);
  const std::string gif = dir.Write("anim.gif", test::MakeGif(file));
  file.frames.resize(1);
  const std::string still = dir.Write("still.gif", test::MakeGif(file));

  auto preview = ShownPreview();
  LoadPictureFile(preview->Picture(), gif);
  preview->RepaintNow();
  ASSERT_TRUE(preview->IsAnimating());

  preview->hide();
  EXPECT_FALSE(preview->IsAnimating());
  preview->show();
  EXPECT_TRUE(preview->IsAnimating());
  QApplication::processEvents();  // shown again once exposed

  LoadPictureFile(preview->Picture(), still);
  EXPECT_FALSE(preview->IsAnimating());
  EXPECT_EQ(preview->AnimationFrame(), -1);
  preview->RepaintNow();
  EXPECT_FALSE(preview->IsAnimating());  // one frame: nothing to play
  EXPECT_EQ(preview->AnimationFrame(), 0);
  EXPECT_EQ(At(Grab(*preview), 15, 5), kRed);

  // Destroyed while playing: the timer goes with it.
  LoadPictureFile(preview->Picture(), gif);
  preview->RepaintNow();
  ASSERT_TRUE(preview->IsAnimating());
  preview.reset();
  QApplication::processEvents();
}
