// SPDX-License-Identifier: GPL-3.0-or-later
#include "SubtitleLinesView.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QSet>
#include <QTextLayout>
#include <QToolButton>
#include <QWheelEvent>
#include <cmath>
#include <tuple>

using namespace Qt::Literals::StringLiterals;

namespace {

// Between the lines of two cues, so that a reader sees where one ends.
constexpr int entryGap = 4;
// A wheel's step, in its own units.
constexpr int wheelStep = 120;

} // namespace

SubtitleLinesView::SubtitleLinesView(QWidget *parent)
    : QWidget(parent)
    , m_liveButton(new QToolButton(this))
{
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::WheelFocus);
    setAccessibleDescription(tr("Subtitles"));
    m_returnTimer.setSingleShot(true);
    m_returnTimer.setInterval(returnDelay);
    connect(&m_returnTimer, &QTimer::timeout, this, &SubtitleLinesView::returnToLive);

    m_liveButton->setText(tr("Live ↓"));
    m_liveButton->setAccessibleName(tr("Back to the live subtitles"));
    m_liveButton->setToolTip(tr("Earlier lines are shown. Back to the live subtitles"));
    m_liveButton->setFocusPolicy(Qt::NoFocus);
    m_liveButton->setStyleSheet(u"QToolButton { color: white; background: rgba(40, 40, 40, 220);"
                                u" border: 1px solid rgba(255, 255, 255, 120); border-radius: 9px;"
                                u" padding: 1px 8px; }"_s);
    m_liveButton->hide();
    connect(m_liveButton, &QToolButton::clicked, this, &SubtitleLinesView::returnToLive);
}

SubtitleLinesView::~SubtitleLinesView() = default;

void SubtitleLinesView::setStyles(const TextStyle &translation, const TextStyle &spoken,
                                  const SubtitleTextPainter &painter)
{
    if (translation == m_translation && spoken == m_spoken && painter == m_painter)
        return;
    m_translation = translation;
    m_spoken = spoken;
    m_painter = painter;
    m_wrapped.clear();
    m_drawn.clear();
    layOut();
}

void SubtitleLinesView::setLineCount(int count)
{
    count = std::max(1, count);
    if (count == m_lineCount)
        return;
    m_lineCount = count;
    layOut();
}

void SubtitleLinesView::setTextFilter(std::function<QString(const QString &, bool)> filter)
{
    m_filter = std::move(filter);
    layOut();
}

int SubtitleLinesView::margin() const
{
    return std::max(m_translation.shown ? m_painter.margin(m_translation.font) : 0,
                    m_spoken.shown ? m_painter.margin(m_spoken.font) : 0);
}

double SubtitleLinesView::lineStep() const
{
    double step = 0;
    for (const TextStyle *style : {&m_translation, &m_spoken}) {
        if (style->shown)
            step += QFontMetricsF(style->font).height();
    }
    return step;
}

int SubtitleLinesView::preferredHeight() const
{
    return int(std::ceil(m_lineCount * lineStep())) + (m_lineCount - 1) * entryGap + 2 * margin();
}

void SubtitleLinesView::setContent(const QList<CaptionCue> &cues, const QString &live,
                                   const QString &liveTranslation)
{
    if (!isLive()) {
        m_waiting = {cues, {live, liveTranslation}};
        return;
    }
    if (cues == m_cues && live == m_live.text && liveTranslation == m_live.translation)
        return;
    m_cues = cues;
    m_live = {live, liveTranslation};
    layOut();
}

qsizetype SubtitleLinesView::entryCount() const
{
    return m_cues.size() + (m_live.text.isEmpty() && m_live.translation.isEmpty() ? 0 : 1);
}

SubtitleLinesView::Entry SubtitleLinesView::entryAt(qsizetype fromNewest) const
{
    const bool hasLive = entryCount() > m_cues.size();
    if (hasLive && fromNewest == 0)
        return m_live;
    const CaptionCue &cue = m_cues.at(m_cues.size() - 1 - fromNewest + (hasLive ? 1 : 0));
    return {cue.text, cue.translation.value_or(QString())};
}

const QList<SubtitleLinesView::Row> &
SubtitleLinesView::rowsOf(const QString &text, const TextStyle &style, bool isTranslation)
{
    const QString key = (isTranslation ? u't' : u's') + text;
    auto found = m_wrapped.find(key);
    if (found != m_wrapped.end())
        return *found;
    QTextLayout layout(text, style.font);
    const SubtitleTextPainter::Wrapped wrapped =
        SubtitleTextPainter::wrap(layout, std::max(1, width() - 2 * margin()));
    QList<Row> rows;
    for (const QTextLine &line : wrapped.lines)
        rows.append({text.mid(line.textStart(), line.textLength()).trimmed(),
                     line.naturalTextRect().left(), line.y(), line.height()});
    return *m_wrapped.insert(key, rows);
}

void SubtitleLinesView::layOut()
{
    m_shownRows.clear();
    m_shownLines.clear();
    const int m = margin();
    const QRectF area = QRectF(rect()).adjusted(m, m, -m, -m);
    const auto shown = [this](const QString &text, bool isTranslation) {
        return m_filter ? m_filter(text, isTranslation) : text;
    };
    // Every line of the entries from the newest up, each with its top and bottom; y grows
    // downwards from the bottom of the newest entry at 0.
    struct Placed
    {
        const Row *row;
        bool isTranslation;
        double top;
        double bottom;
    };
    QList<Placed> rows;
    QSet<QString> used;
    const auto reachesTop = [&] {
        const qsizetype anchor = std::min<qsizetype>(m_rowsBack, rows.size() - 1);
        return anchor >= 0 && rows.at(anchor).bottom - rows.last().top >= area.height();
    };
    double top = 0;
    for (qsizetype i = 0; !area.isEmpty() && i < entryCount() && !reachesTop(); ++i) {
        const Entry entry = entryAt(i);
        if (i > 0)
            top -= entryGap;
        // From the bottom of the entry up: its spoken lines, then its translation above them.
        const auto add = [&](const TextStyle &style, const QString &text, bool isTranslation) {
            if (!style.shown || text.isEmpty())
                return;
            const QString filtered = shown(text, isTranslation);
            used.insert((isTranslation ? u't' : u's') + filtered);
            const QList<Row> &wrapped = rowsOf(filtered, style, isTranslation);
            if (wrapped.isEmpty())
                return;
            top -= wrapped.last().y + wrapped.last().height;
            for (auto row = wrapped.crbegin(); row != wrapped.crend(); ++row)
                rows.append({&*row, isTranslation, top + row->y, top + row->y + row->height});
        };
        add(m_spoken, entry.text, false);
        add(m_translation, entry.translation, true);
    }
    if (!rows.isEmpty()) {
        // Scrolled back past the first line: the first line goes to the top, no further.
        while (m_rowsBack > 0 &&
               (m_rowsBack >= rows.size() ||
                rows.at(m_rowsBack - 1).bottom - rows.last().top <= area.height() + 0.5))
            --m_rowsBack;
        const double shift = area.bottom() - rows.at(m_rowsBack).bottom;
        for (auto placed = rows.crbegin(); placed != rows.crend(); ++placed) {
            if (placed->top + shift < area.top() - 0.5 ||
                placed->bottom + shift > area.bottom() + 0.5)
                continue;
            m_shownRows.append({QPointF(area.left() + placed->row->x, placed->top + shift),
                                placed->row->text, placed->isTranslation});
            m_shownLines.append(placed->row->text);
        }
    }
    // What is no longer shown goes; a whole run's lines would otherwise pile up.
    m_wrapped.removeIf([&](const auto &entry) { return !used.contains(entry.key()); });
    QSet<QString> drawn;
    for (const ShownRow &row : std::as_const(m_shownRows))
        drawn.insert((row.isTranslation ? u't' : u's') + row.text);
    m_drawn.removeIf([&](const auto &entry) { return !drawn.contains(entry.key()); });
    setAccessibleName(m_shownLines.join(u'\n'));
    update();
}

void SubtitleLinesView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    for (const ShownRow &row : std::as_const(m_shownRows)) {
        const QString key = (row.isTranslation ? u't' : u's') + row.text;
        auto image = m_drawn.find(key);
        // Drawn anew for a screen of another pixel density.
        if (image == m_drawn.end() || image->devicePixelRatio() != devicePixelRatioF()) {
            const TextStyle &style = row.isTranslation ? m_translation : m_spoken;
            image = m_drawn.insert(
                key, m_painter.renderLine(row.text, style.font, style.color, devicePixelRatioF()));
        }
        // The image has its own font's margin around the line.
        const int own = m_painter.margin(row.isTranslation ? m_translation.font : m_spoken.font);
        painter.drawImage(row.position - QPointF(own, own), *image);
    }
}

void SubtitleLinesView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placeLiveButton();
    if (event->size().width() != event->oldSize().width())
        m_wrapped.clear();
    layOut();
}

void SubtitleLinesView::placeLiveButton()
{
    const QSize size = m_liveButton->sizeHint();
    m_liveButton->setGeometry(width() - size.width() - margin(),
                              height() - size.height() - margin(), size.width(), size.height());
}

void SubtitleLinesView::setRowsBack(int rows)
{
    const bool wasLive = isLive();
    m_rowsBack = std::max(0, rows);
    layOut();
    if (isLive() && m_waiting) {
        std::tie(m_cues, m_live) = *std::exchange(m_waiting, std::nullopt);
        layOut();
    }
    m_liveButton->setVisible(!isLive());
    if (isLive())
        m_returnTimer.stop();
    else
        m_returnTimer.start();
    if (wasLive != isLive())
        Q_EMIT liveChanged(isLive());
}

void SubtitleLinesView::scrollBack(int lines)
{
    setRowsBack(m_rowsBack + lines);
}

void SubtitleLinesView::returnToLive()
{
    setRowsBack(0);
}

void SubtitleLinesView::wheelEvent(QWheelEvent *event)
{
    // A touchpad gives a step in parts.
    m_wheelTurn += event->angleDelta().y();
    const int steps = m_wheelTurn / wheelStep;
    m_wheelTurn -= steps * wheelStep;
    if (steps != 0)
        scrollBack(steps);
    event->accept();
}

void SubtitleLinesView::keyPressEvent(QKeyEvent *event)
{
    // Only while the pointer is over the window: the keys belong to whatever the user looks at.
    const bool pageUp = event->key() == Qt::Key_PageUp;
    if (!window()->underMouse() || (!pageUp && event->key() != Qt::Key_PageDown))
        return QWidget::keyPressEvent(event);
    const int page = std::max(1, m_lineCount - 1);
    scrollBack(pageUp ? page : -page);
    event->accept();
}

void SubtitleLinesView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // The window's own leave, which going from the lines to its buttons does not give.
    window()->removeEventFilter(this);
    window()->installEventFilter(this);
}

bool SubtitleLinesView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == window() && event->type() == QEvent::Leave)
        returnToLive();
    return QWidget::eventFilter(watched, event);
}
