// Painting the visible grid and switching views should cost the same for a short
// and a very long roster: only the visible rows are drawn.

#include "app/tform1.h"
#include "offscreen.h"
#include "ratio.h"
#include "view/drawgrid.h"

#include <QApplication>
#include <QPixmap>
#include <cstdlib>
#include <string>

using namespace qvr;

namespace {

constexpr std::size_t SHORT_ROSTER = 10;

Roster namedRoster(std::size_t rows)
{
    Roster r = makeRoster(rows);
    for (std::size_t i = 1; i < r.size(); ++i) {
        r[i]->setName("Char" + std::to_string(i));
        r[i]->ep1time[0] = static_cast<std::int32_t>(100 + i % 5000);
        r[i]->ep2time[0] = static_cast<std::int32_t>(200 + i % 5000);
        r[i]->status[0] = static_cast<std::int32_t>(i % 200);
    }
    return r;
}

// Rows of the grid the viewport shows, to tell a full window from a short roster.
int visibleRows()
{
    const DrawGrid& g = *Form1->DrawGrid1;
    int n = 0;
    for (int row = 0; row < g.rowCount(); ++row)
        if (g.cellRect(0, row).intersects(g.viewport()->rect()))
            ++n;
    return n;
}

// A grid exactly as high as the short roster, so that it fills the window too and
// both runs draw the same number of cells: the floor is then the cost of drawing
// those cells, and the ratio shows what the roster's length adds.
void fitRowsToViewport(TForm1& form, int rows)
{
    DrawGrid& g = *form.DrawGrid1;
    const int wanted = g.cellRect(0, rows - 1).bottom() + 1 - g.cellRect(0, 0).top();
    form.resize(form.width(), form.height() + wanted - g.viewport()->height());
    QApplication::processEvents();
}

void useRoster(std::size_t rows)
{
    Form1->rosterSheet.roster = namedRoster(rows);
    Form1->rosterSheet.currec = Form1->rosterSheet.roster[0].get();
    Form1->DrawGrid1->setRowCount(static_cast<int>(Form1->rosterSheet.roster.size()));
    Form1->setViewMode(0);
    QApplication::processEvents();
}

void BM_paintGrid(benchmark::State& state)
{
    useRoster(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        QPixmap shot = Form1->DrawGrid1->viewport()->grab();
        benchmark::DoNotOptimize(shot.cacheKey());
    }
    state.counters["rows_shown"] = visibleRows();
    state.counters["width"] = Form1->DrawGrid1->viewport()->width();
}
BENCHMARK(BM_paintGrid)->Arg(SHORT_ROSTER)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);

// A switch back and forth per iteration, each followed by the repaint it asks for.
void BM_switchView(benchmark::State& state)
{
    useRoster(static_cast<std::size_t>(state.range(0)));
    int mode = 0;
    for (auto _ : state) {
        mode = mode == 0 ? 1 : 0;
        Form1->setViewMode(mode);
        QApplication::processEvents();
    }
    state.counters["rows_shown"] = visibleRows();
}
BENCHMARK(BM_switchView)->Arg(SHORT_ROSTER)->Arg(100000)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    return qvrbench::inOffscreenFolder(argv, [&](QTemporaryDir&) {
        TForm1 form;
        Form1 = &form;
        form.resize(800, 600);
        form.show();
        QApplication::processEvents();
        // The short roster needs no scroll bar; without one its viewport would be
        // wider and show more columns than the long roster's.
        form.DrawGrid1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        useRoster(SHORT_ROSTER);
        fitRowsToViewport(form, static_cast<int>(SHORT_ROSTER));
        const int rc = qvrbench::runAndPrint(argc, argv,
            {{"BM_paintGrid/100000", "BM_paintGrid/10", 1.1}, {"BM_paintGrid/100000", "BM_paintGrid/1000", 0},
                {"BM_switchView/100000", "BM_switchView/10", 1.1}});
        Form1 = nullptr;
        return rc;
    });
}
