#include "formula/DemoFormulas.h"

QStringList DemoFormulas::lines()
{
    return {
        QStringLiteral("[第一码]+[第二码]+3=下期杀第一直选"),
        QStringLiteral("[第三大小]+[和数个位]+[本期号]=下期杀第一直选"),
        QStringLiteral("[第五6段]*2+[日期]=下期杀第一直选"),
        QStringLiteral("[第二码]+[第四平方]=下期生第一直选"),
        QStringLiteral("([和数] Mod 7)+[第一3余]=下期生第一直选"),
        QStringLiteral("[第一码]+[第五码]+[总跨度]=下期杀第二直选"),
        QStringLiteral("[第二互补数]+[第三邻号和]+1=下期杀第二直选"),
        QStringLiteral("[第三码]+[重上期个]+[月份]=下期杀第三直选"),
        QStringLiteral("[第四单双]+[第二邻号差]+[大数和]=下期杀第三组选"),
        QStringLiteral("[奇数和]+[第三5余]=下期生第三组选"),
        QStringLiteral("[第四码]*3+[质数个]=下期杀第五直选"),
        QStringLiteral("[偶数和]+[最大振幅]+[第五立方]=下期生第五组选"),
    };
}
