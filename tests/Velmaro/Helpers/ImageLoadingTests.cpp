#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include "Dispatch/RunLoop.h"
#include "UIKit/UIButton.h"
#include "UIKit/UIImageView.h"
#include "Velmaro/Helpers/ImageCache.h"
#include "Velmaro/Helpers/ImageLoading.h"
#include "support/Platform/LoopbackHTTPServer.h"
#include "support/Platform/TestImages.h"
#include "support/Platform/UIKitTest.h"

using namespace velmaro;

namespace {

std::string addressOf(const std::string& text) {
    auto url = imageURLFromString(text);
    return url ? url->absoluteString() : "<none>";
}

TEST(ImageURLFromStringTest, EncodesWhatAFragmentDoesNotAllowButNotExistingEscapes) {
    EXPECT_EQ(addressOf("https://cdn.example.com/a b/é.png?x=1&y=@"),
              "https://cdn.example.com/a%20b/%C3%A9.png?x=1&y=@");
    // Already encoded: kept as it is, whatever the case of its hex digits.
    EXPECT_EQ(addressOf("https://cdn.example.com/a%20b/%c3%a9.png"), "https://cdn.example.com/a%20b/%c3%a9.png");
    // A percent sign that starts no escape is still encoded, also at the very end.
    EXPECT_EQ(addressOf("https://h/100%.png"), "https://h/100%25.png");
    EXPECT_EQ(addressOf("https://h/%zz%2"), "https://h/%25zz%252");
    EXPECT_EQ(addressOf("https://h/a%20b c%"), "https://h/a%20b%20c%25");
    EXPECT_EQ(addressOf("https://h/logo.png#top"), "https://h/logo.png%23top");
}

TEST(ImageURLFromStringTest, NoAddressForAnAbsentOrEmptyText) {
    EXPECT_FALSE(imageURLFromString(std::nullopt));
    EXPECT_FALSE(imageURLFromString(std::string()));
}


class ImageLoadingTest : public UIKitTest {
protected:
    void SetUp() override {
        UIKitTest::SetUp();
        ImageCache::shared().removeAllObjects();
    }
    void TearDown() override {
        ImageCache::shared().removeAllObjects();
        UIKitTest::TearDown();
    }

    bool waitForImage(const std::shared_ptr<UIImageView>& view) {
        return waitFor([&] { return view->image() != nullptr; });
    }

    LoopbackHTTPServer server;
};

TEST(CoreImageURLFromStringTest, OnlyHttpAndHttpsAddressesWithAHost) {
    for (const char* refused : {"file:///etc/passwd", "FILE:///tmp/a.png", "file://localhost/tmp/a.png",
                                "ftp://cdn.example.com/a.png", "data:image/png;base64,iVBORw0KGgo=",
                                "javascript:alert(1)", "/avatars/a.png", "avatars/a.png", "http:/a.png",
                                "https:a.png", "gopher://h/a.png"}) {
        EXPECT_FALSE(coreImageURLFromString(std::string(refused))) << refused;
    }
    for (const char* kept : {"http://cdn.example.com/a.png", "HTTPS://cdn.example.com/a b.png", "http://127.0.0.1:8080/a.png"}) {
        EXPECT_EQ(coreImageURLFromString(std::string(kept)), imageURLFromString(std::string(kept))) << kept;
        EXPECT_TRUE(coreImageURLFromString(std::string(kept))) << kept;
    }
    EXPECT_FALSE(coreImageURLFromString(std::nullopt));
}

// A finished load becomes an image only from a 2xx body without an error.
TEST(ImageFromLoadTest, OnlyASuccessfulStatusIsDecoded) {
    const std::string png = pngOfColor(9, 9, 9);
    const Data body(png.begin(), png.end());
    const URL url = *URL::fromString("http://h/a.png");
    for (int status : {200, 203, 299}) {
        EXPECT_TRUE(imageFromLoad(body, HTTPURLResponse(url, status, {}), std::nullopt)) << status;
    }
    for (int status : {0, 101, 199, 300, 304, 404, 500}) {
        EXPECT_FALSE(imageFromLoad(body, HTTPURLResponse(url, status, {}), std::nullopt)) << status;
    }
    EXPECT_FALSE(imageFromLoad(body, std::nullopt, std::nullopt));
    EXPECT_FALSE(imageFromLoad(body, HTTPURLResponse(url, 200, {}), URLError(URLError::Code::timedOut, url.absoluteString())));
    EXPECT_FALSE(imageFromLoad(std::nullopt, HTTPURLResponse(url, 200, {}), std::nullopt));
}

TEST_F(ImageLoadingTest, TheSharedCacheIsNamedAndLimitedTo500MiB) {
    EXPECT_EQ(&ImageCache::shared(), &ImageCache::shared());
    EXPECT_EQ(ImageCache::shared().name(), "ImageCache");
    EXPECT_EQ(ImageCache::shared().totalCostLimit(), 524288000u);
}

TEST_F(ImageLoadingTest, ASecondLoadOfAnAddressComesFromTheCacheWithoutARequest) {
    const std::string png = pngOfColor(255, 0, 0);
    server.respond("/avatar.png", png, "image/png");
    auto first = UIView::make<UIImageView>();
    loadImage(*first, server.url("/avatar.png"));
    ASSERT_TRUE(waitForImage(first));
    EXPECT_EQ(first->image()->pixelAt(1, 1), UIColor(1, 0, 0, 1));
    EXPECT_EQ(server.requestCount("/avatar.png"), 1u);
    EXPECT_EQ(ImageCache::shared().totalCost(), 3u * 3u * 4u);  // its pixels, not its download
    EXPECT_EQ(cachedImage(*URL::fromString(server.url("/avatar.png"))), first->image());

    auto second = UIView::make<UIImageView>();
    loadImage(*second, server.url("/avatar.png"));
    // Even a cached image reaches the view through the main queue.
    EXPECT_EQ(second->image(), nullptr);
    drain();
    EXPECT_EQ(second->image(), first->image());
    EXPECT_EQ(server.requestCount("/avatar.png"), 1u);
}

TEST_F(ImageLoadingTest, AnAlreadyEncodedAddressReachesTheServerAsWritten) {
    server.respond("/team%20photos/agent%231.png", pngOfColor(0, 0, 255), "image/png");
    auto view = UIView::make<UIImageView>();
    loadImage(*view, server.url("/team%20photos/agent%231.png"));
    ASSERT_TRUE(waitForImage(view));
    EXPECT_EQ(view->image()->pixelAt(0, 0), UIColor(0, 0, 1, 1));
    // A raw blank is encoded once; the server would not know a doubly encoded path.
    server.respond("/a%20b.png", pngOfColor(0, 255, 0), "image/png");
    auto raw = UIView::make<UIImageView>();
    loadImage(*raw, server.url("/a b.png"));
    ASSERT_TRUE(waitForImage(raw));
    EXPECT_EQ(server.requestCount("/a%20b.png"), 1u);
}

TEST_F(ImageLoadingTest, AResponseThatIsNoImageLeavesTheViewAndTheCacheAlone) {
    const auto placeholder = UIImage::filled(CGSize{2, 2}, UIColor::white());
    server.respond("/broken.png", "<html>not found</html>", "text/html");
    // Answered later than the broken one, so that one has been handled when this one shows.
    LoopbackHTTPServer::Response later;
    later.body = pngOfColor(0, 0, 0);
    later.delay = std::chrono::milliseconds(100);
    server.respond("/later.png", later);

    auto view = UIView::make<UIImageView>(placeholder);
    loadImage(*view, server.url("/broken.png"));
    ASSERT_TRUE(waitFor([&] { return server.requestCount("/broken.png") == 1; }));
    auto witness = UIView::make<UIImageView>();
    loadImage(*witness, server.url("/later.png"));
    ASSERT_TRUE(waitForImage(witness));
    drain();
    EXPECT_EQ(view->image(), placeholder);
    EXPECT_EQ(ImageCache::shared().count(), 1u);
    EXPECT_EQ(cachedImage(*URL::fromString(server.url("/broken.png"))), nullptr);
}

TEST_F(ImageLoadingTest, AnEmptyOrAbsentAddressStartsNothingAndKeepsWhatTheViewShows) {
    // Were an empty text taken for an address, this entry would be found under it.
    ImageCache::shared().setObject(UIImage::filled(CGSize{1, 1}, UIColor::black()), "", 1);
    const auto shown = UIImage::filled(CGSize{2, 2}, UIColor::white());
    auto view = UIView::make<UIImageView>(shown);
    loadImage(*view, std::string());
    loadImage(*view, std::nullopt);
    EXPECT_EQ(drain(), 0u);
    EXPECT_EQ(view->image(), shown);
}

TEST_F(ImageLoadingTest, FetchImageCompletesOnTheMainQueueAndButtonsGetTheirNormalImage) {
    server.respond("/star.png", pngOfColor(255, 255, 0), "image/png");
    const URL url = *URL::fromString(server.url("/star.png"));
    bool onMain = false;
    std::shared_ptr<UIImage> fetched;
    fetchImage(url, [&](std::shared_ptr<UIImage> image) {
        onMain = RunLoop::isMainThread();
        fetched = std::move(image);
    });
    ASSERT_TRUE(waitFor([&] { return fetched != nullptr; }));
    EXPECT_TRUE(onMain);

    auto button = UIView::make<UIButton>();
    fetchImageFromURL(*button, url);
    drain();
    EXPECT_EQ(button->image(UIControlStateNormal), fetched);
    EXPECT_EQ(server.requestCount("/star.png"), 1u);

    // A view that is gone by the time its image arrives is simply not updated.
    server.respond("/gone.png", pngOfColor(0, 255, 0), "image/png");
    auto gone = UIView::make<UIImageView>();
    std::weak_ptr<UIImageView> weakGone = gone;
    loadImage(*gone, server.url("/gone.png"));
    gone.reset();
    EXPECT_TRUE(weakGone.expired());  // a load in flight does not keep its view
    ASSERT_TRUE(waitFor([&] { return cachedImage(*URL::fromString(server.url("/gone.png"))) != nullptr; }));
    drain();
    // The download still serves the next view that shows the address, without a second request.
    auto next = UIView::make<UIImageView>();
    loadImage(*next, server.url("/gone.png"));
    drain();
    ASSERT_TRUE(next->image());
    EXPECT_EQ(next->image()->pixelAt(0, 0), UIColor(0, 1, 0, 1));
    EXPECT_EQ(server.requestCount("/gone.png"), 1u);
}

// An error page is never shown or cached, even when its body is a good image.
TEST_F(ImageLoadingTest, AResponseWithoutA2xxStatusIsNeitherShownNorCached) {
    for (int status : {404, 500}) {
        LoopbackHTTPServer::Response failure;
        failure.status = status;
        failure.body = pngOfColor(255, 0, 0);
        failure.headers = {{"Content-Type", "image/png"}};
        server.respond("/e" + std::to_string(status) + ".png", failure);
    }
    LoopbackHTTPServer::Response later;
    later.body = pngOfColor(0, 0, 0);
    later.delay = std::chrono::milliseconds(100);
    server.respond("/later.png", later);

    const auto placeholder = UIImage::filled(CGSize{2, 2}, UIColor::white());
    std::vector<std::shared_ptr<UIImageView>> views;
    for (const char* path : {"/e404.png", "/e500.png"}) {
        views.push_back(UIView::make<UIImageView>(placeholder));
        loadImage(*views.back(), server.url(path));
    }
    ASSERT_TRUE(waitFor([&] { return server.requestCount("/e404.png") == 1 && server.requestCount("/e500.png") == 1; }));
    auto witness = UIView::make<UIImageView>();
    loadImage(*witness, server.url("/later.png"));
    ASSERT_TRUE(waitForImage(witness));
    drain();
    for (const auto& view : views) EXPECT_EQ(view->image(), placeholder);
    EXPECT_EQ(ImageCache::shared().count(), 1u);
}

// The cache limit is about memory: a few kilobytes of PNG of a large picture cost its pixels.
TEST_F(ImageLoadingTest, TheCacheCountsTheDecodedSizeOfWhatItHolds) {
    const std::string png = pngOfColor(10, 20, 30, 512);
    ASSERT_LT(png.size(), 64u * 1024u);
    server.respond("/big.png", png, "image/png");
    auto view = UIView::make<UIImageView>();
    loadImage(*view, server.url("/big.png"));
    ASSERT_TRUE(waitForImage(view));
    EXPECT_EQ(ImageCache::shared().totalCost(), 512u * 512u * 4u);
}

// Avatars come from records the network supplies: a file address there must not read the disk,
// while the host's own call of the same loader still may.
TEST_F(ImageLoadingTest, ACoreAddressNeverReadsAFileButTheHostsCallStillDoes) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("velmaro-avatar-" + std::to_string(::getpid()) + ".png");
    {
        std::ofstream out(path, std::ios::binary);
        out << pngOfColor(0, 255, 0);
    }
    const std::string address = "file://" + path.string();

    auto fromCore = UIView::make<UIImageView>();
    loadCoreImage(*fromCore, address);
    auto fromHost = UIView::make<UIImageView>();
    loadImage(*fromHost, address);
    ASSERT_TRUE(waitForImage(fromHost));
    EXPECT_EQ(fromHost->image()->pixelAt(0, 0), UIColor(0, 1, 0, 1));
    // Were the core's load started, it would have been served from the same file by now.
    drain();
    EXPECT_EQ(fromCore->image(), nullptr);
    std::filesystem::remove(path);
}

}  // namespace
