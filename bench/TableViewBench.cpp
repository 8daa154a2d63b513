// A table of chat messages whose rows size themselves. A scroll step gives cells to the rows that
// come into view and measures them, so it costs what is on screen: its time stays flat from 1 000
// to 100 000 rows (the fitted complexity is O(1)). Loading the data asks every row for its height
// once and grows with the row count (O(N)). A scroll step that grows with the argument means the
// table went back to recomputing or scanning every row.

#include <benchmark/benchmark.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Dispatch/RunLoop.h"
#include "UIKit/UILabel.h"
#include "UIKit/UITableView.h"

namespace {

class MessageCell : public UITableViewCell {
public:
    using UITableViewCell::UITableViewCell;
    std::shared_ptr<UILabel> message;
};

class Messages : public UITableViewDataSource, public UITableViewDelegate {
public:
    explicit Messages(int count) {
        const std::string words[] = {"order", "parcel", "thanks", "tomorrow", "delivery", "is", "the", "a", "where"};
        for (int i = 0; i < count; ++i) {
            std::string text;
            // Lengths from a few words to several lines, in no simple pattern.
            for (int w = 0; w < 1 + (i * 7919) % 40; ++w) text += words[(i + w) % 9] + " ";
            texts.push_back(std::move(text));
        }
    }
    int numberOfRowsInSection(UITableView&, int) override { return static_cast<int>(texts.size()); }
    std::shared_ptr<UITableViewCell> cellForRowAt(UITableView& table, const IndexPath& indexPath) override {
        ++cellsGiven;
        auto cell = std::static_pointer_cast<MessageCell>(table.dequeueReusableCell("Message", indexPath));
        cell->message->setText(texts[static_cast<std::size_t>(indexPath.row)]);
        return cell;
    }
    std::optional<CGFloat> heightForRowAt(UITableView&, const IndexPath&) override {
        ++heightQuestions;
        return std::nullopt;
    }

    std::vector<std::string> texts;
    long cellsGiven = 0;
    long heightQuestions = 0;
};

std::shared_ptr<UITableView> makeTable(const std::shared_ptr<Messages>& messages) {
    auto table = UIView::make<UITableView>(CGRect{0, 0, 375, 600});
    table->registerCell("Message", [] {
        auto cell = UIView::make<MessageCell>(CGRect{0, 0, 375, 44});
        cell->message = UIView::make<UILabel>(CGRect{16, 8, 343, 21});
        cell->message->setNumberOfLines(0);
        cell->message->setAutoresizingMask(UIViewAutoresizingFlexibleWidth);
        cell->contentView()->addSubview(cell->message);
        cell->contentView()->setLayoutMargins(UIEdgeInsets{0, 0, 8, 0});
        return cell;
    });
    table->setRowHeight(UITableView::automaticDimension);
    table->setEstimatedRowHeight(60);
    table->setDataSource(messages);
    table->setDelegate(messages);
    table->reloadData();
    return table;
}

// One drag of 40 points through rows never shown before: the rows that come in get cells and are
// measured. At the end of the content the data is loaded afresh (not timed) and the drag restarts.
void BM_TableScrollStep(benchmark::State& state) {
    RunLoop::makeMain();
    const auto rows = static_cast<int>(state.range(0));
    auto messages = std::make_shared<Messages>(rows);
    auto table = makeTable(messages);
    long cellsGiven = 0;
    long heightQuestions = 0;
    for (auto _ : state) {
        CGFloat y = table->contentOffset().y + 40;
        if (y > table->maximumContentOffsetY()) {
            state.PauseTiming();
            table->reloadData();
            table->setContentOffset(CGPoint{0, 0});
            state.ResumeTiming();
            continue;
        }
        long cellsBefore = messages->cellsGiven;
        long questionsBefore = messages->heightQuestions;
        table->setContentOffset(CGPoint{0, y});
        cellsGiven += messages->cellsGiven - cellsBefore;
        heightQuestions += messages->heightQuestions - questionsBefore;
    }
    state.SetComplexityN(rows);
    // Per step: a cell now and then, and never a height question.
    state.counters["cellsGiven"] = benchmark::Counter(static_cast<double>(cellsGiven), benchmark::Counter::kAvgIterations);
    state.counters["heightQuestions"] =
        benchmark::Counter(static_cast<double>(heightQuestions), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_TableScrollStep)->Arg(1000)->Arg(10000)->Arg(100000)->Complexity();

void BM_TableReloadData(benchmark::State& state) {
    RunLoop::makeMain();
    const auto rows = static_cast<int>(state.range(0));
    auto messages = std::make_shared<Messages>(rows);
    auto table = makeTable(messages);
    for (auto _ : state) table->reloadData();
    state.SetComplexityN(rows);
}
BENCHMARK(BM_TableReloadData)->Arg(1000)->Arg(10000)->Arg(100000)->Complexity()->Unit(benchmark::kMicrosecond);

}  // namespace
