#pragma once

#include <memory>

#include "UIKit/IndexPath.h"

class UITableView;
class UITableViewCell;

// What a table shows. Held weakly by the table.
class UITableViewDataSource {
public:
    virtual ~UITableViewDataSource() = default;
    virtual int numberOfSections(UITableView& /*tableView*/) { return 1; }
    virtual int numberOfRowsInSection(UITableView& tableView, int section) = 0;
    // Usually a cell from the table's dequeue; a null cell leaves the row empty.
    virtual std::shared_ptr<UITableViewCell> cellForRowAt(UITableView& tableView, const IndexPath& indexPath) = 0;
};
