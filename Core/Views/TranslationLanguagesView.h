// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QWidget>
#include <memory>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class TranslationLanguagesModel;

/// The "Translation Languages" window's content: every translation direction that can be had
/// here, each with its state and a button that installs its language pair, and a search field.
///
/// One row a direction, in the model's order; rows follow the model as installs go on. A row shows
/// "English → Spanish", its state, a progress bar while it installs, and an "Install" button named
/// for screen readers by its pair. The search shows the rows whose source or target name holds
/// every word typed, whatever the case and accents. A row's object name is its mode, and its
/// accessible description its state. Shown as a window, it opens at a size that shows a dozen
/// rows. Main thread.
class TranslationLanguagesView : public QWidget
{
    Q_OBJECT

public:
    /// A view of \a model, which the caller may keep to hear of installs after the window closes.
    explicit TranslationLanguagesView(std::shared_ptr<TranslationLanguagesModel> model,
                                      QWidget *parent = nullptr);
    ~TranslationLanguagesView() override;

    /// The model whose entries the rows show.
    TranslationLanguagesModel &model() const { return *m_model; }

protected:
    void changeEvent(QEvent *event) override;

private:
    struct Row
    {
        QWidget *widget;
        QLabel *state;
        QProgressBar *progress;
        QPushButton *install;
        // The source and target names folded for the search.
        QString searchText;
    };

    QWidget *makeList();
    Row makeRow(int index, QWidget *parent);
    void showEntry(int index);
    void filter(const QString &text);
    /// Shades every other shown row, so that a row reads across the window.
    void stripe();

    std::shared_ptr<TranslationLanguagesModel> m_model;
    QLineEdit *m_search;
    QLabel *m_noMatch;
    QList<Row> m_rows;
};
