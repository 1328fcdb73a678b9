// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Platform/Store/CaptionCue.h"
#include "SubtitleTextPainter.h"

#include <QFont>
#include <QHash>
#include <QImage>
#include <QTimer>
#include <QWidget>
#include <functional>

class QToolButton;

/// Subtitles as several lines: the run's finished cues, each with its translation, above the text
/// being spoken, the newest at the bottom.
///
/// Each cue starts a line of its own and keeps its lines as they were first laid out, so that a
/// finished line never changes and the lines only move up as new ones come. While the pointer is
/// over the window, the wheel and Page Up/Down scroll back through the run's earlier lines; the
/// view holds still there, shows a button back to the live lines, and goes back by itself when
/// the pointer leaves the window or after a few seconds without scrolling. Main thread.
class SubtitleLinesView : public QWidget
{
    Q_OBJECT

public:
    explicit SubtitleLinesView(QWidget *parent = nullptr);
    ~SubtitleLinesView() override;

    /// How one of the two texts is drawn.
    struct TextStyle
    {
        bool shown = true;
        QFont font;
        QColor color;
        friend bool operator==(const TextStyle &, const TextStyle &) = default;
    };
    /// How the translation and the spoken text are drawn; a translation that is shown lies above
    /// its spoken text. \a painter gives the halo, outline and line boxes of both.
    void setStyles(const TextStyle &translation, const TextStyle &spoken,
                   const SubtitleTextPainter &painter);
    /// How many lines are shown live: of the translation when it is shown, else of the spoken
    /// text, each with its spoken line under it.
    void setLineCount(int count);
    int lineCount() const { return m_lineCount; }
    /// The height that shows lineCount() lines of the texts shown.
    int preferredHeight() const;
    /// Turns a text into what is shown of it (masked profanity, say); \a isTranslation tells
    /// which text it is. Set it again when what it does changes, so that every line is shown anew.
    void setTextFilter(std::function<QString(const QString &text, bool isTranslation)> filter);

    /// The run's finished cues in order, and under them the text being spoken with its
    /// translation (empty when there is none yet).
    void setContent(const QList<CaptionCue> &cues, const QString &live,
                    const QString &liveTranslation);

    /// Whether the newest lines are shown, rather than earlier ones scrolled back to.
    bool isLive() const { return m_rowsBack == 0; }
    /// Scrolls back by \a lines lines, or forward when negative, no further than the first line
    /// and the live ones.
    void scrollBack(int lines);
    /// Shows the newest lines, and the content given while the view held still.
    void returnToLive();
    /// The lines drawn, from the top; for tests and for screen readers.
    QStringList shownLines() const { return m_shownLines; }

    /// Without scrolling for this long, the view returns to the live lines.
    static constexpr std::chrono::milliseconds returnDelay{5000};

Q_SIGNALS:
    /// The view has returned to the live lines, or has left them for earlier ones.
    void liveChanged(bool live);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Entry
    {
        QString text;
        QString translation;
    };
    /// The entries from the newest (the live text, when there is some) back.
    qsizetype entryCount() const;
    Entry entryAt(qsizetype fromNewest) const;
    /// One line of a text, as wrapped to the view's width.
    struct Row
    {
        QString text;
        /// From the text's left edge, and from its top.
        double x = 0;
        double y = 0;
        double height = 0;
    };
    /// \a text, as shown, wrapped in \a style; kept, as a finished text is wrapped again at every
    /// change of the live one.
    const QList<Row> &rowsOf(const QString &text, const TextStyle &style, bool isTranslation);
    /// Lays the entries out from the bottom up, as far as the view reaches, and keeps the lines
    /// that lie wholly inside it.
    void layOut();
    /// The height of a line of each text shown, one under the other.
    double lineStep() const;
    int margin() const;
    void setRowsBack(int rows);
    void placeLiveButton();

    TextStyle m_translation;
    TextStyle m_spoken;
    SubtitleTextPainter m_painter;
    int m_lineCount = 1;
    std::function<QString(const QString &, bool)> m_filter;

    QList<CaptionCue> m_cues;
    Entry m_live;
    // What came while the view held still, shown once it returns to the live lines.
    std::optional<std::pair<QList<CaptionCue>, Entry>> m_waiting;
    // How many lines the newest one shown lies above the newest of all.
    int m_rowsBack = 0;
    // What the wheel has turned towards its next step.
    int m_wheelTurn = 0;

    /// A line shown: where it lies in the view, and what it is.
    struct ShownRow
    {
        QPointF position;
        QString text;
        bool isTranslation;
    };
    QList<ShownRow> m_shownRows;
    QStringList m_shownLines;
    // Texts wrapped, and lines drawn, by what they show; what the view no longer shows goes.
    QHash<QString, QList<Row>> m_wrapped;
    QHash<QString, QImage> m_drawn;
    QTimer m_returnTimer;
    QToolButton *m_liveButton;
};
