// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ApertiumPipeline.h"

#include <QString>
#include <map>
#include <memory>

/// The running pipelines of one translation service, one per direction, shared by all the sessions
/// the service makes.
///
/// Sessions come and go every few seconds as the user changes settings; the pipelines stay, so a
/// new session finds its direction warm. The service owns the pool and sessions share it, so that a
/// session outliving its service still translates (starting its pipeline again). Main thread.
class ApertiumPipelinePool
{
public:
    explicit ApertiumPipelinePool(ApertiumPipeline::Timing timing = {});
    ApertiumPipelinePool(const ApertiumPipelinePool &) = delete;
    ApertiumPipelinePool &operator=(const ApertiumPipelinePool &) = delete;

    /// The pipeline of the mode file at \a modePath, made (not started) the first time.
    ApertiumPipeline &pipeline(const QString &modePath);

    /// Stops every pipeline: their processes end, their requests fail.
    void stopAll();

private:
    const ApertiumPipeline::Timing m_timing;
    std::map<QString, std::unique_ptr<ApertiumPipeline>> m_pipelines;
};
