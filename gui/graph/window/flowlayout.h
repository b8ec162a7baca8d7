#pragma once
// A layout that places its items left to right and wraps them onto further
// rows when the width runs out, so a strip of fields never overlaps itself
// in a narrow window.

#include <QLayout>
#include <QList>

class TFlowLayout : public QLayout {
public:
    explicit TFlowLayout(QWidget *parent = nullptr, int hSpacing = 12, int vSpacing = 3);
    ~TFlowLayout() override;

    // Items that may grow sideways share the width a row leaves over.
    void setFillRows(bool fill) { m_fillRows = fill; }

    void addItem(QLayoutItem *item) override;
    int count() const override { return int(m_items.size()); }
    QLayoutItem *itemAt(int index) const override { return m_items.value(index); }
    QLayoutItem *takeAt(int index) override;
    Qt::Orientations expandingDirections() const override { return {}; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override { return DoLayout(QRect(0, 0, width, 0), false); }
    QSize minimumSize() const override;
    QSize sizeHint() const override;
    void setGeometry(const QRect &rect) override;

private:
    // Places the items inside `rect` (when `apply`) and returns the height used.
    int DoLayout(const QRect &rect, bool apply) const;

    QList<QLayoutItem *> m_items;
    int m_hSpacing;
    int m_vSpacing;
    bool m_fillRows = false;
};
