#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Foundation/Notification.h"
#include "UIKit/UIButton.h"
#include "UIKit/UILabel.h"
#include "UIKit/UITableView.h"
#include "UIKit/UITextField.h"
#include "UIKit/UITextFieldDelegate.h"
#include "Velmaro/Controllers/TitledViewController.h"
#include "Velmaro/CoreInterface/ChatEventDelegate.h"
#include "Velmaro/CoreInterface/ConversationModel.h"
#include "Velmaro/CoreInterface/MessageModel.h"
#include "Velmaro/CoreInterface/SatisfactionScoreModel.h"
#include "Velmaro/CoreInterface/ServiceError.h"
#include "Velmaro/Helpers/Protocols.h"
#include "Velmaro/Helpers/StoryboardIdentifiable.h"

namespace velmaro {

class MainQueueChatEvents;

// The live chat of one conversation: its dated timeline, the connection's status strip, sending,
// the rating panel and the details panel. The opener sets `conversation` (and optionally
// `firstChatMessage` and `chatDelegate`) before showing it. Core completions and chat events
// reach it on the main queue only; completions hold the screen until they have run, chat events
// hold nothing. Definitions are split by concern over ChatViewController*.cpp.
class ChatViewController : public TitledViewController,
                           public StoryboardIdentifiable,
                           public ChatEventDelegate,
                           public UITableViewDataSource,
                           public UITableViewDelegate,
                           public UITextFieldDelegate {
public:
    static constexpr const char* storyboardIdentifier = "ChatViewController";
    static constexpr double statusAnimationDuration = 0.2;
    static constexpr CGFloat statusStripHeight = 21;
    static constexpr double ratingDelay = 0.1;
    static constexpr CGFloat detailsHeight = 300;

    ChatViewController();
    ~ChatViewController() override;

    // ----- Outlets
    Outlet<UITableView> tableView;
    Outlet<UITextField> fldMessage;
    Outlet<UILabel> lblChatStatus;
    Outlet<UIButton> btnSend;
    Outlet<UIButton> btnExit;
    Outlet<UIView> vwInput;
    Outlet<UIButton> btnDetails;
    Outlet<UIButton> btnEndChat;
    Outlet<UIButton> btnRatingZero;
    Outlet<UIButton> btnRatingOne;
    Outlet<UIButton> btnRatingTwo;
    Outlet<UIButton> btnratingThree;
    Outlet<UIButton> btnRatingFour;
    Outlet<UILabel> lblRatingViewTitle;
    Outlet<UIButton> btnDismissRating;
    Outlet<UILabel> lblConversationTitle;
    Outlet<UILabel> lblConversationSubject;
    Outlet<UILabel> lblStatus;
    Outlet<UILabel> lblDate;
    Outlet<UILabel> lblAgent;
    Outlet<UILabel> lblAgentDescriptor;
    // Kept by the screen: outside the view hierarchy while hidden.
    std::shared_ptr<UIView> starRatingView;
    std::shared_ptr<UIView> vwConversationDetails;

    // ----- State
    std::optional<ConversationModel> conversation;
    std::vector<MessageModel> contentArray;
    std::vector<MessageModel> unconfirmedMessages;
    std::vector<SatisfactionScoreModel> satisfactionScores;
    std::weak_ptr<ChatVisibilityDelegate> chatDelegate;
    std::string firstChatMessage;
    bool viewDissappearing = false;
    bool ratingViewShown = false;
    bool chatRated = false;
    std::string ratingType = "star";
    std::vector<std::shared_ptr<UIButton>> ratingButtons;
    std::vector<std::shared_ptr<UIButton>> filledButtons;
    bool detailsShown = false;

    // ----- Lifecycle
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    void viewDidDisappear(bool animated) override;

    // ----- Core calls and chat (ChatViewController.cpp)
    void getConversation(const std::string& conversationId);
    void getScores();
    void setConversationSeen();
    void setupChat(std::optional<std::string> firstMessage);
    void disconnectChat();
    void chatEnded();
    void connecting() override;
    void connected() override;
    void disconnected() override;
    void chatMessageReceived(const AnyDictionary& message) override;
    void chatErrorReceived(const std::string& errorDescription) override;
    // Button actions.
    void dismissChat();
    void endChat();
    void endChatPressed();

    // ----- Timeline (ChatViewController+Timeline.cpp)
    void extractPreviousActivity(const ConversationModel& loaded);
    static void extractMessages(std::vector<MessageModel>& messagesWithoutDateDescriptors,
                                const ConversationModel& conversation);
    // Earliest first, by a strict earlier-than on the creation time.
    static void sortMessages(std::vector<MessageModel>& messages);
    void extractSectionDates(const std::vector<MessageModel>& messagesWithoutDateDescriptors);
    void scrollToBottom(bool animated);

    // ----- Sending (ChatViewController+Sending.cpp)
    void btnSendPressed();
    void textFieldValueChanged(const std::shared_ptr<UITextField>& field);
    void sendingMessageSettings();
    void removeSentMessage(const MessageModel& messageModel);
    // A message the user sent whose echo has not come back (a send that got no identity never
    // comes back).
    bool isAwaitingEcho(const MessageModel& row) const;
    bool textFieldShouldReturn(const std::shared_ptr<UITextField>& field) override;
    void textFieldDidBeginEditing(const std::shared_ptr<UITextField>& field) override;

    // ----- Rows (ChatViewController+Table.cpp)
    int numberOfRowsInSection(UITableView& table, int section) override;
    std::shared_ptr<UITableViewCell> cellForRowAt(UITableView& table, const IndexPath& indexPath) override;
    std::optional<CGFloat> heightForRowAt(UITableView& table, const IndexPath& indexPath) override;
    std::optional<CGFloat> estimatedHeightForRowAt(UITableView& table, const IndexPath& indexPath) override;
    // Closes the details and rating panels when the user drags the table, not when the screen
    // scrolls itself to show a row.
    void scrollViewDidScroll(UIScrollView& scrollView) override;

    // ----- Rating (ChatViewController+Rating.cpp)
    void setupRatingButtons();
    void animateViewIn(const std::shared_ptr<UIView>& rtView);
    void animateViewOut(const std::shared_ptr<UIView>& rtView);
    void animateStarRatingView(const std::shared_ptr<UIButton>& tapped);
    void dismissRatingView(const std::shared_ptr<UIButton>& sender);
    void sendScore(const std::string& scoreId);

    // ----- Layout and details (ChatViewController+Layout.cpp)
    void adjustForKeyboard(const Notification& notification);
    void setupInputViewAppearance();
    void setupTenantData();
    void setupAppUserData(const ConversationModel& con);
    void showDetails();
    void toggleDetailsView(const std::string& imageName, CGFloat originY);
    void dismissDetailsView();
    void setConversationData();
    void setAgentData();

private:
    void conversationLoaded(std::optional<ConversationModel> loaded, std::optional<ServiceError> error);
    void scoresLoaded(std::optional<std::vector<SatisfactionScoreModel>> scores, std::optional<ServiceError> error);
    void seenMarked(std::optional<ConversationModel> marked, std::optional<ServiceError> error);
    void scoreSent();
    void observeKeyboard();
    void reloadAndScrollToBottom();
    // The status strip over the table: text and colour, then the table's inset and the strip's
    // alpha in a chain. Starting a chain voids the steps of older chains that would hide the strip
    // or pull the table back up.
    void showStatus(const std::string& text, const UIColor& color);
    void revealStatus();
    unsigned beginStatusChain() { return ++statusGeneration_; }
    bool isCurrentStatusChain(unsigned generation) const { return generation == statusGeneration_; }
    std::shared_ptr<ChatViewController> sharedChat();

    // A message the user sent, or the problem description, until a loaded history holds it.
    struct SentMessage {
        MessageModel row;
        // The latest desk time the screen knew when the message left: the desk recorded it no
        // earlier. Desk times are compared with desk times only; the phone's clock may differ.
        std::optional<Date> notBefore;
        bool description = false;
    };
    // Rebuilds contentArray from the sorted history: each sent message takes at most one history
    // row of the user's with its text, in the order they were sent; one that takes none stays
    // (the description first, the others last).
    void placeSentMessages(std::vector<MessageModel>& history);
    bool isSentMessage(const MessageModel& row) const;
    // The same message: by the identity the core gave it; a message that got none (NaN) is itself
    // only, by its text and the instant it was made.
    static bool sameMessage(const MessageModel& a, const MessageModel& b);
    void releaseSentMessage(const MessageModel& row);
    // The echo of the description, which left with a connect and so has no identity to wait for.
    void releaseDescription(const MessageModel& echo);
    void noteDeskTime(Date time);

    // Handed to the chat service, which holds it weakly; it holds this screen weakly.
    std::shared_ptr<MainQueueChatEvents> chatEvents_;
    unsigned statusGeneration_ = 0;
    // The rating panel's fade-outs: only the latest show may be undone by a fade-out's end.
    unsigned ratingGeneration_ = 0;
    std::vector<SentMessage> sentMessages_;
    std::optional<Date> latestDeskTime_;
    // The description counts as sent once a connect that carried it has connected.
    enum class FirstMessage { waiting, carried, sent };
    FirstMessage firstMessage_ = FirstMessage::waiting;
    bool descriptionShown_ = false;
};

}  // namespace velmaro
