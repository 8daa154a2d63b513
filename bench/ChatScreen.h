#pragma once

// The chat screen as the timeline shows it after a load, for the benchmarks that draw it.

#include <memory>
#include <string>
#include <vector>

#include "Dispatch/RunLoop.h"
#include "Foundation/Locale.h"
#include "Foundation/TimeZone.h"
#include "UIKit/UINavigationController.h"
#include "UIKit/UIWindow.h"
#include "Velmaro/Velmaro.h"

namespace bench {

// A conversation of `count` messages, a few an hour, every fourth one long enough to wrap.
inline velmaro::ConversationModel chatOf(int count) {
    velmaro::ConversationModel conversation;
    conversation.id = "c-1";
    const double start = 1489500000;  // March 2017
    for (int i = 0; i < count; ++i) {
        velmaro::ActivityModel activity;
        std::string text = "message " + std::to_string(i);
        if (i % 4 == 0) text += ", a longer one that wraps over a second line in its bubble";
        activity.contents.push_back(
            velmaro::ContentModel{text, i % 2 ? "OUTBOUND" : "INBOUND", Date(start + i * 1200.0), "TEXT", ""});
        conversation.activities.push_back(std::move(activity));
    }
    return conversation;
}

// A new window showing the chat screen of `count` messages in a navigation stack, scrolled to its
// end as a chat opens.
inline std::shared_ptr<UIWindow> makeChatScreenWindow(int count) {
    Locale::setCurrent(Locale("en_US"));
    TimeZone::setCurrent(*TimeZone::named("Europe/Berlin"));
    RunLoop::makeMain();
    velmaro::setUpVelmaroBundle();
    auto shown = UIView::make<UIWindow>(CGRect{0, 0, 375, 667});
    auto chat = velmaro::instantiateVC<velmaro::ChatViewController>(*velmaro::loadStoryboard(velmaro::Storyboard::Velmaro));
    chat->setTitle("Acme support");
    shown->setRootViewController(UINavigationController::make(chat));
    shown->makeKeyAndVisible();
    std::vector<velmaro::MessageModel> messages;
    velmaro::ChatViewController::extractMessages(messages, chatOf(count));
    velmaro::ChatViewController::sortMessages(messages);
    chat->extractSectionDates(messages);
    chat->tableView->reloadData();
    RunLoop::main().runUntilIdle();
    chat->scrollToBottom(false);
    RunLoop::main().runUntilIdle();
    shown->layoutIfNeeded();
    return shown;
}

}  // namespace bench
