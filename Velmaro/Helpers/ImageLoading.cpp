#include "Velmaro/Helpers/ImageLoading.h"

#include <cctype>
#include <string_view>

#include "Foundation/TextHelpers.h"
#include "Foundation/URLSession.h"
#include "UIKit/UIButton.h"
#include "UIKit/UIImageView.h"
#include "Velmaro/Helpers/ImageCache.h"
#include "Velmaro/Helpers/MainQueueBridge.h"

namespace velmaro {

namespace {

bool startsEscape(std::string_view text, std::size_t at) {
    return at + 2 < text.size() && text[at] == '%' && std::isxdigit(static_cast<unsigned char>(text[at + 1])) &&
           std::isxdigit(static_cast<unsigned char>(text[at + 2]));
}

void fetchImageFromURL(UIImageView& imageView, const URL& url) {
    std::weak_ptr<UIResponder> weak = imageView.weak_from_this();
    loadImage(url, [weak](std::shared_ptr<UIImage> image) {
        if (auto view = weak.lock()) static_cast<UIImageView&>(*view).setImage(std::move(image));
    });
}

}  // namespace

std::optional<URL> imageURLFromString(const std::optional<std::string>& imageString) {
    if (!imageString || imageString->empty()) return std::nullopt;
    const std::string_view text = *imageString;
    std::string encoded;
    encoded.reserve(text.size());
    std::size_t runStart = 0;
    for (std::size_t i = 0; i < text.size();) {
        if (startsEscape(text, i)) {
            encoded += addingPercentEncodingForURLFragment(text.substr(runStart, i - runStart));
            encoded += text.substr(i, 3);
            i += 3;
            runStart = i;
        } else {
            ++i;
        }
    }
    encoded += addingPercentEncodingForURLFragment(text.substr(runStart));
    return URL::fromString(encoded);
}

std::optional<URL> coreImageURLFromString(const std::optional<std::string>& imageString) {
    auto url = imageURLFromString(imageString);
    if (!url || !url->scheme() || !url->host() || url->host()->empty()) return std::nullopt;
    std::string scheme = *url->scheme();
    for (char& c : scheme) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (scheme != "http" && scheme != "https") return std::nullopt;
    return url;
}

std::shared_ptr<UIImage> imageFromLoad(const std::optional<Data>& data, const std::optional<HTTPURLResponse>& response,
                                       const std::optional<URLError>& error) {
    if (error || !data || !response) return nullptr;
    // An error page may well be an image (a placeholder, a "not found" picture): not ours to show.
    if (response->statusCode() < 200 || response->statusCode() > 299) return nullptr;
    return UIImage::fromData(*data);
}

std::shared_ptr<UIImage> cachedImage(const URL& url) {
    return ImageCache::shared().object(url.absoluteString()).value_or(nullptr);
}

void fetchImage(const URL& url, std::function<void(std::shared_ptr<UIImage>)> completion) {
    auto task = URLSession::shared().dataTask(
        url, [key = url.absoluteString(), completion = std::move(completion)](
                 std::optional<Data> data, std::optional<HTTPURLResponse> response,
                 std::optional<URLError> error) mutable {
            // Decoded here, on the session's background thread, so the main thread only shows it.
            auto image = imageFromLoad(data, response, error);
            if (!image) return;
            // What the cache holds is pixels, so they are what counts against its limit.
            const std::size_t cost = image->decodedByteCount();
            ImageCache::shared().setObject(image, key, cost);
            runOnMainQueue(std::move(completion), image);
        });
    task->resume();
}

// A cached image goes through the main queue like a downloaded one, so a caller sees one order.
void loadImage(const URL& url, std::function<void(std::shared_ptr<UIImage>)> completion) {
    if (auto image = cachedImage(url)) {
        runOnMainQueue(std::move(completion), image);
        return;
    }
    fetchImage(url, std::move(completion));
}

void loadImage(UIImageView& imageView, const std::optional<std::string>& imageString) {
    if (auto url = imageURLFromString(imageString)) fetchImageFromURL(imageView, *url);
}

void loadCoreImage(UIImageView& imageView, const std::optional<std::string>& imageString) {
    if (auto url = coreImageURLFromString(imageString)) fetchImageFromURL(imageView, *url);
}

void fetchImageFromURL(UIButton& button, const URL& url) {
    std::weak_ptr<UIResponder> weak = button.weak_from_this();
    loadImage(url, [weak](std::shared_ptr<UIImage> image) {
        if (auto view = weak.lock()) static_cast<UIButton&>(*view).setImage(std::move(image), UIControlStateNormal);
    });
}

}  // namespace velmaro
