#include "UIKit/PictureRenderer.h"

#include <stdexcept>
#include <string>

std::uint32_t Picture::pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) {
        throw std::out_of_range("pixel (" + std::to_string(x) + ", " + std::to_string(y) + ") is outside the picture");
    }
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
}

Picture PictureRenderer::render(const std::shared_ptr<UIWindow>&, double) { return {}; }

Picture PictureRenderer::renderView(const std::shared_ptr<UIView>&, double) { return {}; }

void PictureRenderer::writePng(const std::shared_ptr<UIWindow>& window, const std::filesystem::path& file, double scale) {
    writePng(render(window, scale), file);
}

void PictureRenderer::writePng(const Picture&, const std::filesystem::path& file) {
    throw std::runtime_error("cannot write " + file.string() + ": not yet implemented");
}
