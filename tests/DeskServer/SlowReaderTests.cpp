#include <gtest/gtest.h>

#include <sys/socket.h>

#include <thread>

#include "Desk/SqliteDeskStore.h"
#include "DeskServer/Beast.h"
#include "DeskServer/DeskServer.h"
#include "support/Desk/WireClient.h"

namespace velmaro::deskserver {
namespace {

using wire_client::post;

// A chat socket whose reader stops reading is dropped with 1008 once its backlog is full, while
// a frame is still being written to it; the desk lives on and the reader, reading again, gets
// whole frames and then the close.
TEST(DeskServerSlowReader, IsDroppedWhileAFrameIsBeingWritten) {
    DeskServer::Options options;
    options.port = 0;
    DeskServer server(std::make_unique<desk::SqliteDeskStore>(":memory:"), TenantFile::standard(), options);
    std::thread running([&] { server.run(); });
    const auto port = server.port();
    const std::string token = post(port, "/v1/users", {{"userName", "sam"}}).body.value("token", "");
    const std::string id = post(port, "/v1/conversations", {{"description", "Help"}}, token).body.value("id", "");
    ASSERT_FALSE(id.empty());

    net::io_context ioc;
    websocket::stream<tcp::socket> reader(ioc);
    reader.next_layer().open(tcp::v4());
    // A small window, so that the desk's writes stall soon.
    reader.next_layer().set_option(net::socket_base::receive_buffer_size(4096));
    reader.next_layer().connect(tcp::endpoint(net::ip::make_address("127.0.0.1"), port));
    reader.set_option(websocket::stream_base::decorator(
        [&](websocket::request_type& req) { req.set(http::field::authorization, "Bearer " + token); }));
    reader.read_message_max(1 << 20);
    // A desk that never drops the reader fails the test instead of hanging it.
    const timeval patience{10, 0};
    ::setsockopt(reader.next_layer().native_handle(), SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof patience);
    reader.handshake("127.0.0.1", "/v1/conversations/" + id + "/chat");

    // More events than the kernel's buffers and the desk's backlog hold together.
    const std::string text(1000, 'x');
    for (int i = 0; i < 8000; ++i)
        ASSERT_EQ(post(port, "/v1/conversations/" + id + "/messages", {{"message", text}}, token).status, 201)
            << "message " << i;

    beast::error_code ec;
    int frames = 0;
    for (;;) {
        beast::flat_buffer frame;
        reader.read(frame, ec);
        if (ec) break;
        const json event = json::parse(beast::buffers_to_string(frame.data()), nullptr, false);
        ASSERT_FALSE(event.is_discarded()) << "frame " << frames << " is not whole";
        ++frames;
    }
    EXPECT_EQ(ec, websocket::error::closed);
    EXPECT_EQ(reader.reason().code, websocket::close_code::policy_error);
    EXPECT_GT(frames, 0);
    EXPECT_LT(frames, 8000);
    EXPECT_EQ(post(port, "/v1/conversations/" + id + "/messages", {{"message", "still here"}}, token).status, 201)
        << "the desk answers after the drop";
    server.stop();
    running.join();
}

}  // namespace
}  // namespace velmaro::deskserver
