#include "knobs.hpp"

namespace ts::config {

Knobs::Knobs()
    : colors{
          {"accent", {0, 170, 255}},
          {"text", {232, 234, 237}},
          {"text_gray", {110, 118, 130}},
          {"card", {28, 32, 40}},
          {"track", {48, 54, 66}},
          {"good", {64, 200, 120}},
          {"warn", {245, 180, 60}},
          {"bad", {235, 80, 80}},
      } {}

}  // namespace ts::config
