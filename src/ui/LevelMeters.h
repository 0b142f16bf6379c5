// CLevelMeters: the record pane's two level meters, left above right, from
// -60 to 0 dBFS. Plain (style 0): green, red above -3 dB. With the target
// zone (style 1, for the level check): the zone (-12 to -3 dB) is shaded and
// framed, and the bar is green below it, yellow in it and red above it, so
// that a level can be set by eye.
#pragma once

#include <QWidget>
#include <cstdint>

class CLevelMeters : public QWidget {
    Q_OBJECT
public:
    static constexpr double kFloorDb = -60.0;
    static constexpr double kTargetLowDb = -12.0;
    static constexpr double kTargetHighDb = -3.0;

    explicit CLevelMeters(QWidget* parent);
    // Peaks on the 24-bit scale.
    void SetLevels(int32_t left, int32_t right);
    // CRecorder::kMeterPlain or kMeterTargetZone.
    void SetStyle(int style);
    int Style() const { return m_style; }
    // dBFS of a 24-bit peak, held at the floor.
    static double Decibels(int32_t peak);
    double LeftDb() const { return m_left; }
    double RightDb() const { return m_right; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double m_left = kFloorDb;
    double m_right = kFloorDb;
    int m_style = 0;  // CRecorder::kMeterPlain
};
