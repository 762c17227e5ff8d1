#include "link/exchange.h"

#include "link/zeva16.h"

const char* BlockResultText(TBlockResult r)
{
    switch (r) {
    case brOk: return "принят";
    case brRefused: return "устройство отказалось (0x22)";
    case brNoAnswer: return "нет верного ответа ни на одну попытку";
    case brBadLength: return "ответ не равен одному блоку";
    case brGone: return "порт закрыт другой стороной (устройство отключено)";
    case brOutside: return "блок лежит вне образа памяти";
    case brError: return "внутренняя ошибка потока передачи";
    }
    return "?";
}

TBlockResult TZevaTransferLink::Exchange(uint8_t cmd, std::span<const uint8_t> payload,
                                         std::span<const uint8_t>& answer)
{
    answer = {};
    // AddByte would drop the excess silently; a truncated block must never reach the device.
    if (payload.size() > FLink.BufZEVA().size())
        return brOutside;
    if (FLink.HungUp())
        return brGone;
    FLink.StartZEVA(FAddr, cmd);
    for (uint8_t b : payload)
        FLink.AddByte(b);
    if (FLink.PutCMD()) {
        answer = std::span<const uint8_t>(FLink.BufZEVA().data(), FLink.CntZEVA());
        return brOk;
    }
    if (FLink.Error() == errAnswerError)
        return brRefused;
    return FLink.HungUp() ? brGone : brNoAnswer;
}

TError TZevaTransferLink::LinkError() const
{
    return FLink.Error();
}

TExchangeOutcome OutcomeOf(TBlockResult r)
{
    switch (r) {
    case brOk: return TExchangeOutcome::Accepted;
    case brRefused: return TExchangeOutcome::Refused;
    case brGone: return TExchangeOutcome::LinkGone;
    default: return TExchangeOutcome::NoAnswer;
    }
}

TExchangeResult ExchangeWith(TTransferLink& link, uint8_t cmd, std::span<const uint8_t> payload)
{
    std::span<const uint8_t> answer;
    const TBlockResult r = link.Exchange(cmd, payload, answer);
    TExchangeResult result;
    result.Outcome = OutcomeOf(r);
    if (r == brOk)
        result.Answer.assign(answer.begin(), answer.end());
    result.LinkError = link.LinkError();
    return result;
}
