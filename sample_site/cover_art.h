#pragma once
// Cover pictures: geometric art painted with QPainter on a QImage. Needs no QGuiApplication (no
// text is drawn, so no fonts), and may run on any thread.
#include <cstdint>
#include <string>

namespace veldo {

// A `size` x `size` PNG, the same bytes for the same seed.
std::string PaintCoverPng(uint32_t seed, int size = 300);

} // namespace veldo
