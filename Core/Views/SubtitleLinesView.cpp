// SPDX-License-Identifier: GPL-3.0-or-later
#include "SubtitleLinesView.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QKeyEvent>
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

void SubtitleLinesView::layOut()
{
    m_layouts.clear();
    m_blocks.clear();
    m_shownLines.clear();
    const int m = margin();
    const QRectF area = QRectF(rect()).adjusted(m, m, -m, -m);
    if (area.isEmpty()) {
        update();
        return;
    }
    const auto shown = [this](const QString &text, bool isTranslation) {
        return m_filter ? m_filter(text, isTranslation) : text;
    };
    // Each text laid out on its own, stacked from the newest up; y grows downwards from the
    // bottom of the newest text at 0.
    struct Part
    {
        QTextLayout *layout;
        QColor color;
        double top;
    };
    QList<Part> parts;
    // Every line, the newest first: its part, and its top and bottom.
    struct Row
    {
        qsizetype part;
        int line;
        double top;
        double bottom;
    };
    QList<Row> rows;
    const auto reachesTop = [&] {
        const qsizetype anchor = std::min<qsizetype>(m_rowsBack, rows.size() - 1);
        return anchor >= 0 && rows.at(anchor).bottom - rows.last().top >= area.height();
    };
    double top = 0;
    for (qsizetype i = 0; i < entryCount() && !reachesTop(); ++i) {
        const Entry entry = entryAt(i);
        if (i > 0)
            top -= entryGap;
        // From the bottom of the entry up: its spoken lines, then its translation above them.
        const auto add = [&](const TextStyle &style, const QString &text, bool isTranslation) {
            if (!style.shown || text.isEmpty())
                return;
            auto layout = std::make_unique<QTextLayout>(shown(text, isTranslation), style.font);
            const SubtitleTextPainter::Wrapped wrapped =
                SubtitleTextPainter::wrap(*layout, int(area.width()));
            top -= wrapped.height;
            parts.append({layout.get(), style.color, top});
            for (int line = int(wrapped.lines.size()) - 1; line >= 0; --line) {
                const QTextLine &row = wrapped.lines.at(line);
                rows.append({parts.size() - 1, line, top + row.y(), top + row.y() + row.height()});
            }
            m_layouts.push_back(std::move(layout));
        };
        add(m_spoken, entry.text, false);
        add(m_translation, entry.translation, true);
    }
    if (rows.isEmpty()) {
        setAccessibleName(QString());
        update();
        return;
    }
    // Scrolled back past the first line: the first line goes to the top, no further.
    while (m_rowsBack > 0 &&
           (m_rowsBack >= rows.size() ||
            rows.at(m_rowsBack - 1).bottom - rows.last().top <= area.height() + 0.5))
        --m_rowsBack;
    const double shift = area.bottom() - rows.at(m_rowsBack).bottom;
    QList<SubtitleTextPainter::Block> blocks(parts.size());
    QStringList lines;
    for (const Row &row : std::as_const(rows)) {
        if (row.top + shift < area.top() - 0.5 || row.bottom + shift > area.bottom() + 0.5)
            continue;
        const Part &part = parts.at(row.part);
        const QTextLine line = part.layout->lineAt(row.line);
        SubtitleTextPainter::Block &block = blocks[row.part];
        block.lines.prepend(line);
        block.origin = {area.left(), part.top + shift};
        block.color = part.color;
        lines.prepend(part.layout->text().mid(line.textStart(), line.textLength()).trimmed());
    }
    for (qsizetype i = blocks.size() - 1; i >= 0; --i) {
        if (!blocks.at(i).lines.isEmpty())
            m_blocks.append(blocks.at(i));
    }
    m_shownLines = lines;
    setAccessibleName(m_shownLines.join(u'\n'));
    update();
}

void SubtitleLinesView::paintEvent(QPaintEvent *)
{
    m_painter.paint(*this, m_blocks);
}

void SubtitleLinesView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placeLiveButton();
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
