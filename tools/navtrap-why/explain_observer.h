#pragma once
// Prints, line by line, what the decision looked at and which step gave the answer.
#include <cstdio>

#include "screening/screen_url.h"

const char* DescribeStep(ScreenStep step) noexcept;

class ExplainObserver final : public ScreenObserver {
 public:
  explicit ExplainObserver(FILE* out) : out_(out) {}
  void OnKeys(bool altDown, bool ctrlDown) noexcept override;
  void OnExtension(const char* lowered, int length, bool withQuery) noexcept override;
  void OnPatternList(const char* lowered, unsigned long length) noexcept override;
  void OnPattern(const char* pattern, int length, bool matched) noexcept override;
  void OnDecided(ScreenStep step, int answer) noexcept override;

 private:
  FILE* out_;
};
