#pragma once

#include <QAbstractTableModel>
#include <QString>

#include <vector>

// The rows of the results list: zip, city and state with a tick that means "take this row".
// Rows start unticked; only the person ticks them. Columns are added by start-up. Rows and
// columns count from 0, as Qt's models do.
class ResultsModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    struct Row {
        QString zip;
        QString city;
        QString state;
        bool ticked = false;
    };

    // Collects rows and adds them to the model in one insertion at commit(), so filling tens
    // of thousands of rows costs one update of the view, not one per row. Rows not committed
    // are dropped with the appender.
    class Appender
    {
    public:
        explicit Appender(ResultsModel &model) : m_model(model) {}
        Appender(const Appender &) = delete;
        Appender &operator=(const Appender &) = delete;

        void addRow(QString zip, QString city = {}, QString state = {});
        // The row added last, to fill in; throws std::out_of_range when there is none.
        Row &lastRow();
        void commit();

    private:
        ResultsModel &m_model;
        std::vector<Row> m_pending;
    };

    using QAbstractTableModel::QAbstractTableModel;

    void addColumn(const QString &caption);
    void clear();
    void setTicked(const QList<int> &rows, bool ticked);
    // Every row at once, told to the views in one change.
    void setAllTicked(bool ticked);

    // References stay valid until the rows or columns change.
    const QString &header(int column) const;
    const QString &cell(int row, int column) const;
    bool ticked(int row) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    const Row &rowAt(int row) const;
    static const QString &field(const Row &row, int column);
    void append(std::vector<Row> &&rows);

    std::vector<QString> m_headers;
    std::vector<Row> m_rows;
};
