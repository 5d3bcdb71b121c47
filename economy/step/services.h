// The economy's services that the lower units call through their hooks (money bookings, news, the
// nearest town and station names for construction; the goods, goods-way and passenger-way records
// for the world records), the network's commands that the command queue runs, and the network's
// processes of the simulation step. A program installs them once at start, before the first
// construction.
#pragma once

// Puts the economy's routines into the building construction and station hooks, the goods records
// and the transfer of a batch into the world records' hooks (InstallGoodsRecordHooks,
// InstallGoodsHandlingHooks) and a batch's weight into the convoys' (GoodWeight), the goods driver
// and its delete notices into the step and the world records (InstallGoodsProcesses), the passenger
// routes and generation into the step (InstallPassengerProcesses), the delete notices of every world
// record in place of the goods driver's (InstallDeleteHooks), the network's
// commands into the command table, and the schedule step, the convoys' move and the particle
// update into the simulation step (the schedule cursor and the particle table as parts of the
// world).
void InstallEconomyServices();
