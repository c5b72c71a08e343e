#pragma once

#include "pages/page.h"

#include <array>

class QLineEdit;

namespace quenda {

// Read-only summary of the configuration the radio last reported.
class CBasicInfoPage : public CPage {
    Q_OBJECT
public:
    explicit CBasicInfoPage(const RadioConfig &config, QWidget *parent = nullptr);

    void FillFromRecord();
    void ClearFields();

private:
    static constexpr int kFields = 12;
    std::array<QLineEdit *, kFields> m_fields{};
};

} // namespace quenda
