// Draws the tool's icon and writes it as a Windows .ico file: a blue shield
// holding a small server rack. Runs on the build machine.
//
//   make_icon OUTPUT.ico
//
// Images of 16, 24, 32, 48, 64, 72, 96 and 128 pixels are stored as 32-bit
// BGRA bitmaps with alpha, the 256-pixel image as a PNG.
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Rgba {
  double r = 0, g = 0, b = 0, a = 0;  // 0..1, not premultiplied
};

Rgba hex(std::uint32_t rgb) {
  return {((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0, (rgb & 0xFF) / 255.0, 1.0};
}

Rgba mix(const Rgba& a, const Rgba& b, double t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}

// The shield outline: flat top with rounded corners, straight sides, then a
// curve to a point. `inset` shrinks it evenly (roughly).
bool insideShield(double x, double y, double inset) {
  const double top = 0.05 + inset;
  const double bottom = 0.96 - inset * 1.9;
  const double half = 0.42 - inset;
  const double shoulder = 0.50;
  const double radius = std::max(0.09 - inset, 0.02);
  const double dx = std::abs(x - 0.5);
  if (y < top || y > bottom) return false;
  if (y < shoulder) {
    if (dx > half) return false;
    if (y < top + radius && dx > half - radius) {
      const double cx = dx - (half - radius);
      const double cy = y - (top + radius);
      return cx * cx + cy * cy <= radius * radius;
    }
    return true;
  }
  const double t = (y - shoulder) / (bottom - shoulder);
  return dx <= half * std::cos(t * 1.5707963267948966);
}

bool insideRoundedRect(double x, double y, double left, double top, double right, double bottom,
                       double radius) {
  if (x < left || x > right || y < top || y > bottom) return false;
  const double cx = std::clamp(x, left + radius, right - radius);
  const double cy = std::clamp(y, top + radius, bottom - radius);
  const double dx = x - cx;
  const double dy = y - cy;
  return dx * dx + dy * dy <= radius * radius;
}

struct Unit {
  double top, bottom;
};

// The colour of the emblem at one point of the unit square.
Rgba sample(double x, double y, int size) {
  const Rgba none{};
  if (!insideShield(x, y, 0.0)) return none;
  const double ring = size <= 24 ? 0.06 : 0.045;
  if (!insideShield(x, y, ring)) return hex(0x0F2A52);

  // Body: a vertical gradient, the left half a shade lighter.
  Rgba body = mix(hex(0x3F8CFF), hex(0x1646A8), std::clamp((y - 0.1) / 0.8, 0.0, 1.0));
  if (x < 0.5) body = mix(body, hex(0xFFFFFF), 0.10);

  // The rack: two chunky units on the smallest images, three with drive
  // slots on the others.
  const bool small = size <= 24;
  const std::vector<Unit> units = small ? std::vector<Unit>{{0.22, 0.40}, {0.46, 0.64}}
                                        : std::vector<Unit>{{0.21, 0.34}, {0.38, 0.51}, {0.55, 0.68}};
  const double left = small ? 0.25 : 0.26;
  const double right = small ? 0.75 : 0.74;
  for (const Unit& u : units) {
    if (!insideRoundedRect(x, y, left, u.top, right, u.bottom, small ? 0.03 : 0.025)) continue;
    const double mid = (u.top + u.bottom) / 2;
    const double h = u.bottom - u.top;
    // Status light.
    const double lx = left + h * 0.45;
    const double lr = h * (small ? 0.26 : 0.2);
    if ((x - lx) * (x - lx) + (y - mid) * (y - mid) <= lr * lr) return hex(0x27D37A);
    if (!small) {
      // Two drive slots.
      const double sx0 = left + (right - left) * 0.45;
      const double sx1 = right - (right - left) * 0.10;
      const double th = h * 0.13;
      for (double sy : {mid - h * 0.17, mid + h * 0.17})
        if (x >= sx0 && x <= sx1 && std::abs(y - sy) <= th / 2) return hex(0x54647D);
    }
    // A faint shade along the lower edge gives the unit some depth.
    return y > u.bottom - h * 0.18 ? hex(0xC9D6EA) : hex(0xF2F6FC);
  }
  return body;
}

// A square image, rows top to bottom, RGBA bytes.
std::vector<std::uint8_t> render(int size) {
  constexpr int kSub = 8;  // supersampling per axis
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(size) * size * 4);
  for (int py = 0; py < size; ++py) {
    for (int px = 0; px < size; ++px) {
      double r = 0, g = 0, b = 0, a = 0;
      for (int sy = 0; sy < kSub; ++sy) {
        for (int sx = 0; sx < kSub; ++sx) {
          const double x = (px + (sx + 0.5) / kSub) / size;
          const double y = (py + (sy + 0.5) / kSub) / size;
          const Rgba c = sample(x, y, size);
          r += c.r * c.a;
          g += c.g * c.a;
          b += c.b * c.a;
          a += c.a;
        }
      }
      const double n = kSub * kSub;
      std::uint8_t* out = &pixels[(static_cast<std::size_t>(py) * size + px) * 4];
      const double alpha = a / n;
      auto channel = [&](double premultiplied) {
        const double v = alpha > 0 ? premultiplied / a : 0.0;
        return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255));
      };
      out[0] = channel(r);
      out[1] = channel(g);
      out[2] = channel(b);
      out[3] = static_cast<std::uint8_t>(std::lround(alpha * 255));
    }
  }
  return pixels;
}

void put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
  out.push_back(v & 0xFF);
  out.push_back((v >> 8) & 0xFF);
}
void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  put16(out, v & 0xFFFF);
  put16(out, v >> 16);
}
void put32be(std::vector<std::uint8_t>& out, std::uint32_t v) {
  out.push_back((v >> 24) & 0xFF);
  out.push_back((v >> 16) & 0xFF);
  out.push_back((v >> 8) & 0xFF);
  out.push_back(v & 0xFF);
}

// An icon image as Windows keeps it: BITMAPINFOHEADER (height doubled for the
// mask), BGRA rows bottom-up, then the 1-bit AND mask (set where transparent).
std::vector<std::uint8_t> bitmapImage(int size, const std::vector<std::uint8_t>& rgba) {
  const std::uint32_t maskStride = ((size + 31) / 32) * 4;
  std::vector<std::uint8_t> out;
  put32(out, 40);
  put32(out, size);
  put32(out, size * 2);
  put16(out, 1);
  put16(out, 32);
  put32(out, 0);  // BI_RGB
  put32(out, size * size * 4 + maskStride * size);
  put32(out, 0);
  put32(out, 0);
  put32(out, 0);
  put32(out, 0);
  for (int y = size - 1; y >= 0; --y) {
    for (int x = 0; x < size; ++x) {
      const std::uint8_t* p = &rgba[(static_cast<std::size_t>(y) * size + x) * 4];
      out.push_back(p[2]);
      out.push_back(p[1]);
      out.push_back(p[0]);
      out.push_back(p[3]);
    }
  }
  for (int y = size - 1; y >= 0; --y) {
    std::vector<std::uint8_t> row(maskStride, 0);
    for (int x = 0; x < size; ++x)
      if (rgba[(static_cast<std::size_t>(y) * size + x) * 4 + 3] == 0)
        row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

void pngChunk(std::vector<std::uint8_t>& out, const char* type, const std::vector<std::uint8_t>& data) {
  put32be(out, static_cast<std::uint32_t>(data.size()));
  const std::size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  const uLong crc = crc32(0L, &out[start], static_cast<uInt>(out.size() - start));
  put32be(out, static_cast<std::uint32_t>(crc));
}

std::vector<std::uint8_t> pngImage(int size, const std::vector<std::uint8_t>& rgba) {
  std::vector<std::uint8_t> raw;
  raw.reserve(static_cast<std::size_t>(size) * (size * 4 + 1));
  for (int y = 0; y < size; ++y) {
    raw.push_back(0);  // filter: none
    const auto* row = &rgba[static_cast<std::size_t>(y) * size * 4];
    raw.insert(raw.end(), row, row + size * 4);
  }
  uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
  std::vector<std::uint8_t> packed(packedSize);
  if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), 9) != Z_OK)
    return {};
  packed.resize(packedSize);

  std::vector<std::uint8_t> out{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<std::uint8_t> header;
  put32be(header, size);
  put32be(header, size);
  header.insert(header.end(), {8, 6, 0, 0, 0});  // 8-bit RGBA, no interlace
  pngChunk(out, "IHDR", header);
  pngChunk(out, "IDAT", packed);
  pngChunk(out, "IEND", {});
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_icon OUTPUT.ico\n");
    return 2;
  }
  constexpr std::array<int, 9> kSizes{16, 24, 32, 48, 64, 72, 96, 128, 256};
  std::vector<std::vector<std::uint8_t>> images;
  for (int size : kSizes) {
    const auto rgba = render(size);
    images.push_back(size == 256 ? pngImage(size, rgba) : bitmapImage(size, rgba));
    if (images.back().empty()) {
      std::fprintf(stderr, "make_icon: cannot compress the %d-pixel image\n", size);
      return 1;
    }
  }

  std::vector<std::uint8_t> file;
  put16(file, 0);
  put16(file, 1);  // icon
  put16(file, static_cast<std::uint32_t>(kSizes.size()));
  std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(kSizes.size());
  for (std::size_t i = 0; i < kSizes.size(); ++i) {
    const int size = kSizes[i];
    file.push_back(size >= 256 ? 0 : static_cast<std::uint8_t>(size));
    file.push_back(size >= 256 ? 0 : static_cast<std::uint8_t>(size));
    file.push_back(0);  // no palette
    file.push_back(0);
    put16(file, 1);   // planes
    put16(file, 32);  // bits per pixel
    put32(file, static_cast<std::uint32_t>(images[i].size()));
    put32(file, offset);
    offset += static_cast<std::uint32_t>(images[i].size());
  }
  for (const auto& image : images) file.insert(file.end(), image.begin(), image.end());

  const std::string path = argv[1];
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) {
    std::perror(path.c_str());
    return 1;
  }
  const bool written = std::fwrite(file.data(), 1, file.size(), f) == file.size();
  if (std::fclose(f) != 0 || !written) {
    std::fprintf(stderr, "make_icon: cannot write %s\n", path.c_str());
    std::remove(path.c_str());
    return 1;
  }
  return 0;
}
