#pragma once
// Placeholder until the reader lands.
#include "picture.h"

namespace velora {

class TPngPicture : public TGraphic {
 public:
  static const TGraphicClass& Class();
  const TGraphicClass& ClassType() const override { return Class(); }
  int Width() const override { return 0; }
  int Height() const override { return 0; }
  void SetWidth(int) override {}
  void SetHeight(int) override {}
  bool IsEmpty() const override { return true; }
  void LoadFromStream(TStream& stream) override;
};

}  // namespace velora
