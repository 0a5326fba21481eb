#include "amigamodel.h"

QString amigaModelName(AmigaModel model)
{
    switch (model) {
    case AmigaModel::Amiga500:
        return QStringLiteral("Amiga 500");
    case AmigaModel::Amiga1200:
        return QStringLiteral("Amiga 1200");
    case AmigaModel::Unfiltered:
        break;
    }
    return QStringLiteral("Unfiltered");
}

AmigaSound *AmigaSound::instance()
{
    // Lives as long as the program: the choice holds until it ends.
    static AmigaSound *sound = new AmigaSound;
    return sound;
}

void AmigaSound::setModel(AmigaModel model)
{
    if (model == m_model)
        return;
    m_model = model;
    emit modelChanged(model);
}

#include "moc_amigamodel.cpp"
