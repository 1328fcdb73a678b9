// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRandomGenerator>
#include <QStringList>

/// Plain English sentences, exactly \a length characters long.
inline QString prose(qsizetype length, QRandomGenerator &random)
{
    using namespace Qt::Literals::StringLiterals;
    static const QStringList words =
        u"the of and to a in that is was he for it with as his on be "
        "at by I this had not are but from or have an they which one "
        "you were her all she there would their we him been has when "
        "who will more no if out so said what up its about into than "
        "them can only other new some could time these two may then "
        "do first any my now such like our over man me even most made "
        "after also did many before must through back years where "
        "much your way well down should because each just those "
        "people how too little state good very make world still own "
        "see men work long get here between both life being under"_s.split(u' ');
    QString text;
    text.reserve(length + 16);
    int wordsLeft = 0;
    while (text.size() < length) {
        QString word = words.at(random.bounded(int(words.size())));
        if (wordsLeft == 0) {
            word[0] = word[0].toUpper();
            wordsLeft = 6 + random.bounded(14);
        }
        text += word + (--wordsLeft == 0 ? u". "_s : u" "_s);
    }
    text.truncate(length);
    return text;
}
