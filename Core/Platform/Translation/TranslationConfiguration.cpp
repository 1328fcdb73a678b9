// SPDX-License-Identifier: GPL-3.0-or-later
#include "TranslationConfiguration.h"

TranslationConfiguration::TranslationConfiguration(std::optional<Language> source,
                                                   std::optional<Language> target, QObject *parent)
    : QObject(parent)
    , m_source(std::move(source))
    , m_target(std::move(target))
{}
