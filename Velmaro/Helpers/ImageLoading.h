#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "Foundation/Any.h"
#include "Foundation/HTTPURLResponse.h"
#include "Foundation/URL.h"
#include "Foundation/URLError.h"
#include "UIKit/UIImage.h"

class UIButton;
class UIImageView;

namespace velmaro {

// Remote images through the shared URL session and the process-wide ImageCache. Failures are
// silent: a bad address, a network error or data that is not an image leave the view as it is.
// Loads are not cancelled; when two loads race for one view, the last to finish sets its image.
// A view is held weakly while its image loads, so it must be owned by a std::shared_ptr.

// The address of a remote image from its text as a record or the configuration gives it: every
// character a URL fragment does not allow is percent-encoded, except that escapes already in the
// text (a percent sign and two hex digits) are kept, so an encoded address is not encoded twice.
// Nothing for an absent or empty text, or one that still makes no URL.
std::optional<URL> imageURLFromString(const std::optional<std::string>& imageString);

// For an address the core library supplies (agent, user and company avatars): as
// imageURLFromString, but only an http or https address with a host. Any other scheme (file:
// above all) makes nothing, so a record from the network cannot have the layer read local files.
// A host's own calls of the loaders below keep every scheme.
std::optional<URL> coreImageURLFromString(const std::optional<std::string>& imageString);

// The image of a finished load: only a body that arrived without an error under a 2xx status
// is decoded; anything else, an error page that happens to be an image too, is null.
std::shared_ptr<UIImage> imageFromLoad(const std::optional<Data>& data, const std::optional<HTTPURLResponse>& response,
                                       const std::optional<URLError>& error);

// The cached image for the address, or null.
std::shared_ptr<UIImage> cachedImage(const URL& url);
// Downloads and decodes the image (see imageFromLoad) and caches it at its decoded size; the
// completion runs on the main queue, and only when an image arrived (otherwise it is dropped on a
// background thread: capture views weakly).
void fetchImage(const URL& url, std::function<void(std::shared_ptr<UIImage>)> completion);

// The image for the address, from the cache or downloaded, handed to the completion on the main
// queue (a cached one too); nothing when no image arrives. For callers that decide themselves
// whether a late image still applies.
void loadImage(const URL& url, std::function<void(std::shared_ptr<UIImage>)> completion);

// Sets the image view's image from an address text (see imageURLFromString), later, on the main
// queue; does nothing for an absent or empty text.
void loadImage(UIImageView& imageView, const std::optional<std::string>& imageString);
// loadImage for an address the core library supplies (see coreImageURLFromString).
void loadCoreImage(UIImageView& imageView, const std::optional<std::string>& imageString);
// Sets the button's image for the normal state, later, on the main queue.
void fetchImageFromURL(UIButton& button, const URL& url);

}  // namespace velmaro
