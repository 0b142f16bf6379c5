#include "ui/GuideWriter.h"

#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include "base/StringTable.h"
#include "shell/TransitionTable.h"
#include "ui/HelpCard.h"
#include "ui/UiFonts.h"

namespace {

// The steps of the usual road, with the prompt each shows.
struct GuideStep {
    int state;
    MsgId prompt;
};
constexpr GuideStep kRoad[] = {
    {kStateWelcome, kMsgPromptWelcome},          {kStateChooseSource, kMsgPromptChooseSource},
    {kStateRecordType, kMsgPromptRecordType},    {kStateTurntableHookup, kMsgPromptHookupPreamp},
    {kStateMeterCheck, kMsgPromptMetersDancing}, {kStateReadyToRecord, kMsgPromptReadyToRecord},
    {kStateRecording, kMsgPromptRecording},      {kStateTrackReview, kMsgPromptRecordingMade},
    {kStateWorkingOn, kMsgPromptWorklist},       {kStateCleanStage, kMsgPromptClean},
    {kStateEnhanceStage, kMsgPromptEnhance},     {kStateFinalTouches, kMsgPromptFinalTouches},
    {kStateReadyForCd, kMsgPromptCdWriter},
};

QString StepsText(const GuideStep& step) {
    QString text = QString::fromStdString(LoadString(step.prompt));
    const StateInfo* info = CTransitionTable::Info(step.state);
    for (size_t i = 0; info && i < info->captions.size(); ++i) {
        if (info->captions[i] == kMsgNone) continue;
        text += QStringLiteral("\n\u2022 ") + QString::fromStdString(LoadString(info->captions[i])).trimmed();
    }
    return text;
}

}  // namespace

bool CGuideWriter::Write(const QString& pdfPath) {
    QPdfWriter pdf(pdfPath);
    pdf.setPageSize(QPageSize(QPageSize::A5));
    pdf.setResolution(96);
    pdf.setTitle(QStringLiteral("Restova Getting Started Guide"));
    pdf.setCreator(QStringLiteral("Restova"));
    QPainter p;
    if (!p.begin(&pdf)) return false;
    const QRect page(0, 0, pdf.width(), pdf.height());

    p.fillRect(page, QColor(22, 34, 44));
    QFont title = CUiFonts::Face("Comic Sans MS Bold");
    title.setPixelSize(44);
    p.setFont(title);
    p.setPen(QColor(235, 214, 140));
    p.drawText(page.adjusted(20, 0, -20, -page.height() / 2), Qt::AlignHCenter | Qt::AlignBottom,
               QStringLiteral("Restova"));
    QFont body = CUiFonts::Face("Arial");
    body.setPixelSize(16);
    p.setFont(body);
    p.setPen(QColor(225, 228, 210));
    p.drawText(page.adjusted(40, page.height() / 2 + 20, -40, -40), Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap,
               QStringLiteral("Getting started\n\nThe window leads you one step at a time. Read the line at the top, "
                              "then press one of the buttons below it. Back goes one step back; the Bin buttons "
                              "jump to your songs. The TW button shows the page of this guide for the step you "
                              "are on.\n\nThe pages that follow walk a record from the turntable to a CD."));

    for (const GuideStep& step : kRoad) {
        if (!pdf.newPage()) return false;
        CHelpCard::Paint(p, page, CHelpCard::Title(step.state), StepsText(step), CHelpCard::SketchOf(step.state));
    }
    return p.end();
}
