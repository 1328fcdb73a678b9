// SPDX-License-Identifier: GPL-3.0-or-later
#include "ApertiumPipelinePool.h"

ApertiumPipelinePool::ApertiumPipelinePool(ApertiumPipeline::Timing timing)
    : m_timing(timing)
{}

ApertiumPipeline &ApertiumPipelinePool::pipeline(const QString &modePath)
{
    auto known = m_pipelines.find(modePath);
    if (known == m_pipelines.end())
        known =
            m_pipelines.emplace(modePath, std::make_unique<ApertiumPipeline>(modePath, m_timing))
                .first;
    return *known->second;
}

void ApertiumPipelinePool::stopAll()
{
    for (const auto &[path, pipeline] : m_pipelines)
        pipeline->stop();
}
