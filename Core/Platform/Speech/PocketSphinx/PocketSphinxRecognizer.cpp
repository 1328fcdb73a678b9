// SPDX-License-Identifier: GPL-3.0-or-later
#include "PocketSphinxRecognizer.h"

#include "PocketSphinxDecoder.h"
#include "PocketSphinxTask.h"

namespace {

constexpr size_t maxDecoders = 2;

} // namespace

PocketSphinxRecognizer::PocketSphinxRecognizer(std::shared_ptr<PocketSphinxDecoder> decoder)
    : m_decoders{std::move(decoder)}
{}

void PocketSphinxRecognizer::setDefaultTaskHint(TaskHint) {}

bool PocketSphinxRecognizer::isAvailable() const
{
    return m_decoders.front()->isAvailable();
}

std::shared_ptr<RecognitionTask>
PocketSphinxRecognizer::recognitionTask(const std::shared_ptr<RecognitionRequest> &request)
{
    if (!request)
        return nullptr;
    return std::make_shared<PocketSphinxTask>(freeDecoder(), request);
}

std::shared_ptr<PocketSphinxDecoder> PocketSphinxRecognizer::freeDecoder()
{
    for (size_t i = 0; i < m_decoders.size(); ++i) {
        if (!m_decoders[i]->isServing() && m_decoders[i]->isAvailable()) {
            m_newest = i;
            return m_decoders[i];
        }
    }
    if (m_decoders.size() < maxDecoders) {
        // The model has been checked for the first decoder already: this one loads without waiting.
        if (std::shared_ptr<PocketSphinxDecoder> another = PocketSphinxDecoder::forModel(
                m_decoders.front()->model(), int(m_decoders.size()))) {
            m_decoders.push_back(std::move(another));
            m_newest = m_decoders.size() - 1;
            return m_decoders.back();
        }
    }
    m_newest = (m_newest + 1) % m_decoders.size();
    return m_decoders[m_newest];
}
