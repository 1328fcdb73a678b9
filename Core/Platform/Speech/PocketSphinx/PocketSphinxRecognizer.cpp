// SPDX-License-Identifier: GPL-3.0-or-later
#include "PocketSphinxRecognizer.h"

#include "PocketSphinxDecoder.h"
#include "PocketSphinxTask.h"

PocketSphinxRecognizer::PocketSphinxRecognizer(std::shared_ptr<PocketSphinxDecoder> decoder)
    : m_decoder(std::move(decoder))
{}

void PocketSphinxRecognizer::setDefaultTaskHint(TaskHint) {}

bool PocketSphinxRecognizer::isAvailable() const
{
    return m_decoder->isAvailable();
}

std::shared_ptr<RecognitionTask>
PocketSphinxRecognizer::recognitionTask(const std::shared_ptr<RecognitionRequest> &request)
{
    if (!request)
        return nullptr;
    return std::make_shared<PocketSphinxTask>(m_decoder, request);
}
