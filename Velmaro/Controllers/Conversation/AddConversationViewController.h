#pragma once

#include <memory>
#include <optional>
#include <string>

#include "Foundation/Any.h"
#include "UIKit/UIButton.h"
#include "UIKit/UITableView.h"
#include "UIKit/UITextViewDelegate.h"
#include "Velmaro/Controllers/TitledViewController.h"
#include "Velmaro/CoreInterface/ConversationModel.h"
#include "Velmaro/CoreInterface/ServiceError.h"
#include "Velmaro/Helpers/StoryboardIdentifiable.h"

namespace velmaro {

// Where the end user describes a problem to open a new conversation. Once the core has created
// it, the chat of that conversation replaces this screen in the navigation stack, with the
// description as its first message. Always shown inside a navigation controller.
class AddConversationViewController : public TitledViewController,
                                      public StoryboardIdentifiable,
                                      public UITableViewDataSource,
                                      public UITableViewDelegate,
                                      public UITextViewDelegate {
public:
    static constexpr const char* storyboardIdentifier = "AddConversationViewController";
    // The prototype of every row after the first.
    static constexpr const char* otherCellIdentifier = "AddConversationOtherCell";
    static constexpr const char* missingDescriptionMessage = "Please describe your problem";
    // Shown when the core answers a create with neither a conversation nor an error.
    static constexpr const char* creationFailedMessage = "The conversation could not be created.";

    Outlet<UITableView> tableView;
    Outlet<UIButton> startConversationButton;

    // The create request's body: "description" as typed, "endUserToken" once a send found one.
    StringDictionary params;
    std::optional<ConversationModel> conversation;
    // The stack position of this screen, taken out once the chat has been pushed.
    int indexToRemove = 0;
    // A create request is outstanding: sends are ignored until it answers.
    bool requestInProgress = false;

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void setupNavigationAppearance();

    // ----- The form
    int numberOfSections(UITableView& table) override;
    int numberOfRowsInSection(UITableView& table, int section) override;
    std::shared_ptr<UITableViewCell> cellForRowAt(UITableView& table, const IndexPath& indexPath) override;
    std::optional<CGFloat> heightForRowAt(UITableView& table, const IndexPath& indexPath) override;
    std::optional<CGFloat> estimatedHeightForRowAt(UITableView& table, const IndexPath& indexPath) override;

    void textViewDidBeginEditing(const std::shared_ptr<UITextView>& view) override;
    void textViewDidEndEditing(const std::shared_ptr<UITextView>& view) override;
    void textViewDidChange(const std::shared_ptr<UITextView>& view) override;
    // A line feed typed on its own sends instead of breaking the line.
    bool textViewShouldChangeTextInRange(const std::shared_ptr<UITextView>& view, NSRange range,
                                         const std::string& replacement) override;

    // ----- Sending
    void btnSendMessagePressed();
    // Sends the description (and the stored end-user token) to the core; does nothing without a
    // description or while a request is outstanding.
    void reportProblem();
    // Opens the chat of `conversation` in place of this screen.
    void joinChat();

private:
    // A description that is present and not empty.
    bool hasDescription() const;
    void conversationCreated(std::optional<ConversationModel> created, std::optional<ServiceError> error);
    std::shared_ptr<AddConversationViewController> sharedScreen();
};

}  // namespace velmaro
